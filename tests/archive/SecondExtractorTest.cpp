// Archives the library refuses for their method, read by the second
// extractor (unar, 7zz) into the private folder, and what is checked after.
#include "archive/ToolExtraction.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "archive/KelArchivers.h"
#include "platform/Crc32.h"
#include "platform/FileOps.h"
#include "run/ArchiveMessages.h"
#include "support/Files.h"
#include "support/IdentFixtures.h"
#include "support/PutBytes.h"
#include "support/TempDir.h"

using testsupport::BytesLE;
using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::WriteFile;
using Names = std::vector<std::string>;

namespace {

struct ZipEntry {
    std::string name;
    std::uint16_t method;
    std::string data;  // as stored
    std::uint32_t crc;
    std::uint32_t size;
    std::uint16_t flags;
};

// A zip archive of the entries as given.
std::string ZipOf(const std::vector<ZipEntry>& entries) {
    std::string zip;
    std::string directory;
    for (const ZipEntry& entry : entries) {
        auto common = [&](std::string& out) {
            out += BytesLE(entry.flags, 2);
            out += BytesLE(entry.method, 2);
            out += BytesLE(0x00210000, 4);  // 1980-01-01
            out += BytesLE(entry.crc, 4);
            out += BytesLE(entry.data.size(), 4);
            out += BytesLE(entry.size, 4);
            out += BytesLE(entry.name.size(), 2);
            out += BytesLE(0, 2);
        };
        const std::size_t offset = zip.size();
        zip += BytesLE(0x04034b50, 4);
        zip += BytesLE(63, 2);
        common(zip);
        zip += entry.name + entry.data;
        directory += BytesLE(0x02014b50, 4);
        directory += BytesLE(63, 2);
        directory += BytesLE(63, 2);
        common(directory);
        directory += BytesLE(0, 8);  // comment, disk, internal and external attributes
        directory += BytesLE(0, 2);
        directory += BytesLE(offset, 4);
        directory += entry.name;
    }
    const std::size_t start = zip.size();
    zip += directory;
    zip += BytesLE(0x06054b50, 4);
    zip += BytesLE(0, 4);
    zip += BytesLE(entries.size(), 2);
    zip += BytesLE(entries.size(), 2);
    zip += BytesLE(directory.size(), 4);
    zip += BytesLE(start, 4);
    zip += BytesLE(0, 2);
    return zip;
}

std::uint32_t Crc(const std::string& data) {
    return platform::Crc32Update(0, data.data(), data.size());
}

class SecondExtractorTest : public ::testing::Test {
protected:
    SecondExtractorTest() {
        testsupport::MakeDirs(dir / "src");
        for (int i = 0; i < 40000; ++i) image += std::to_string(i * 7919 % 65537) + ";";
    }

    void InSource(const std::string& command) {
        ASSERT_TRUE(identtest::RunIn(dir / "src", command)) << command;
    }

    std::unique_ptr<KelArchiverBase> Extract(const std::string& archive) {
        auto archiver = CreateArchiver(ArchiverKind::SevenZip, {dir / archive, dir / "out", &stop});
        ShowArchiveProblem(host, archiver->Problem());
        return archiver;
    }

    testsupport::TempDir dir;
    std::string image;
    testsupport::RecordingHost host;
    std::atomic<bool> stop{false};
};

}  // namespace

// Deflate64 zips, a zero-length LZMA zip entry (as Python's zipfile writes
// it), 7z with PPMd and the exe filter 7-Zip adds beside an image: the
// library refuses each, the second extractor reads them, and the folder ends
// as the library would have left it: regular files only, flat.
TEST_F(SecondExtractorTest, RefusedArchivesAreReadFlatAndChecked) {
    WriteFile(dir / "src/Game.iso", image);
    testsupport::MakeDirs(dir / "src/sub/deeper");
    WriteFile(dir / "src/sub/deeper/Game.cue", "FILE \"Game.iso\" BINARY\r\n");
    WriteFile(dir / "src/setup.exe", ReadFile("/bin/true"));
    ASSERT_EQ(symlink("/etc/passwd", (dir / "src/link.iso").c_str()), 0);
    InSource("7zz a -bd -tzip -mm=Deflate64 -snl ../deflate64.zip Game.iso sub link.iso");
    InSource("7zz a -bd -m0=PPMd -snl ../ppmd.7z Game.iso setup.exe sub link.iso");
    // The LZMA stream of nothing, with its end marker, as Python's zipfile
    // stores an empty file.
    const std::string emptyLzma(
        "\x09\x04\x05\x00\x5d\x00\x00\x80\x00\x00\x83\xff\xfb\xff\xff\xc0\x00\x00\x00", 19);
    WriteFile(dir / "lzma.zip",
              ZipOf({{"empty.iso", 14, emptyLzma, 0, 0, 2},
                     {"Game.iso", 0, image, Crc(image), std::uint32_t(image.size()), 0}}));

    struct Case {
        std::string archive;
        Names names;
    };
    const std::vector<Case> cases = {
        {"deflate64.zip", {"Game.cue", "Game.iso"}},
        {"ppmd.7z", {"Game.cue", "Game.iso", "setup.exe"}},
        {"lzma.zip", {"Game.iso", "empty.iso"}},
    };
    for (const Case& c : cases) {
        const auto archiver = Extract(c.archive);
        ASSERT_TRUE(archiver->Succeeded())
            << c.archive << ": " << (host.messages.empty() ? "" : host.messages.back().text);
        EXPECT_EQ(ListNames(dir / "out"), c.names) << c.archive;
        EXPECT_EQ(ReadFile(dir / "out/Game.iso"), image) << c.archive;
        struct stat status;
        for (const std::string& name : c.names) {
            ASSERT_EQ(lstat((dir / ("out/" + name)).c_str(), &status), 0);
            EXPECT_TRUE(S_ISREG(status.st_mode)) << c.archive << " " << name;
        }
    }
    EXPECT_TRUE(host.messages.empty());

    // What a tool may leave that the first extractor never writes: links,
    // pipes, a second name of a file elsewhere, folders.
    const std::string out = dir / "settle";
    testsupport::MakeDirs(out + "/a/b");
    WriteFile(out + "/a/b/Game.bin", "image");
    WriteFile(out + "/Game.bin", "replaced");
    WriteFile(dir / "elsewhere.bin", "elsewhere");
    ASSERT_EQ(link((dir / "elsewhere.bin").c_str(), (out + "/a/hard.bin").c_str()), 0);
    ASSERT_EQ(symlink(dir.Path().c_str(), (out + "/a/folderlink").c_str()), 0);
    ASSERT_EQ(mkfifo((out + "/pipe.iso").c_str(), 0600), 0);
    EXPECT_TRUE(SettleExtractedFiles(out, "x.zip").Succeeded());
    EXPECT_EQ(ListNames(out), Names{"Game.bin"});
    EXPECT_EQ(ReadFile(out + "/Game.bin"), "image");
    EXPECT_EQ(ReadFile(dir / "elsewhere.bin"), "elsewhere");
    platform::RemoveTree(out + "/Game.bin");
    EXPECT_EQ(SettleExtractedFiles(out, "x.zip").failure, ExtractionFailure::NothingExtracted);
}

// Stop ends the tool at once and leaves nothing behind; so does an archive
// that expands beyond the bound, in either extractor.
TEST_F(SecondExtractorTest, StopAndTheBoundEndTheExtraction) {
    WriteFile(dir / "src/Game.iso", image);
    WriteFile(dir / "src/Second.iso", image);
    InSource("7zz a -bd -tzip -mm=Deflate64 ../deflate64.zip Game.iso Second.iso");
    InSource("zip -q ../plain.zip Game.iso Second.iso");
    testsupport::MakeDirs(dir / "out");

    ExtractionOptions bounded;
    bounded.maxBytes = image.size() + image.size() / 2;
    for (ExtractionTool tool : {ExtractionTool::Unar, ExtractionTool::SevenZip}) {
        const auto result = ExtractWithTool(tool, dir / "deflate64.zip", dir / "out",
                                            LegacyEncoding::None, bounded);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->failure, ExtractionFailure::TooLarge);
        platform::RemoveTree(dir / "out");
        testsupport::MakeDirs(dir / "out");
    }
    const ExtractionResult flat = ExtractFlat(dir / "plain.zip", dir / "out", bounded);
    EXPECT_EQ(flat.failure, ExtractionFailure::TooLarge);
    EXPECT_EQ(flat.subject, "Second.iso");

    // Stop: the tool is ended, no message is shown, the folder goes.
    stop = true;
    const auto stopped = Extract("deflate64.zip");
    EXPECT_FALSE(stopped->Succeeded());
    EXPECT_TRUE(stopped->Stopped());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(platform::KindOf(dir / "out"), platform::PathKind::Missing);
    testsupport::MakeDirs(dir / "out");
    const auto result = ExtractWithTool(ExtractionTool::Unar, dir / "deflate64.zip", dir / "out",
                                        LegacyEncoding::None, {MAX_EXTRACTED_BYTES, &stop});
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->failure, ExtractionFailure::Stopped);
}
