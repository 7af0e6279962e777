#include <fcntl.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <future>
#include <map>
#include <sstream>

#include "archive/ArchiveExtraction.h"
#include "archive/KelArchivers.h"
#include "config/KeyedTextDocument.h"
#include "config/Language.h"
#include "platform/AsciiCase.h"
#include "platform/Crc32.h"
#include "platform/FileOps.h"
#include "run/ArchiveMessages.h"
#include "support/Files.h"
#include "support/IdentFixtures.h"
#include "support/PutBytes.h"
#include "support/TempDir.h"

using identtest::CrcOf;
using identtest::RecordingHost;
using identtest::RunIn;
using testsupport::BytesLE;
using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

using Names = std::vector<std::string>;

// A zip archive with one deflated entry whose header claims `declaredSize`
// bytes (in ZIP64 fields), while its data holds only `content`.
std::string Zip64Claiming(const std::string& name, const std::string& content,
                          std::uint64_t declaredSize) {
    std::string deflated(content.size() + 64, '\0');
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(6);
    deflated.resize(libdeflate_deflate_compress(compressor, content.data(), content.size(),
                                                deflated.data(), deflated.size()));
    libdeflate_free_compressor(compressor);
    const std::uint32_t crc = platform::Crc32Update(0, content.data(), content.size());

    std::string zip;
    zip += BytesLE(0x04034b50, 4);
    zip += BytesLE(45, 2);  // version needed
    zip += BytesLE(0, 2);   // flags
    zip += BytesLE(8, 2);   // deflate
    zip += BytesLE(0, 2);
    zip += BytesLE(0x21, 2);  // 1980-01-01
    zip += BytesLE(crc, 4);
    zip += BytesLE(0xFFFFFFFF, 4);
    zip += BytesLE(0xFFFFFFFF, 4);
    zip += BytesLE(name.size(), 2);
    zip += BytesLE(20, 2);
    zip += name;
    zip += BytesLE(1, 2);
    zip += BytesLE(16, 2);
    zip += BytesLE(declaredSize, 8);
    zip += BytesLE(deflated.size(), 8);
    zip += deflated;

    const std::uint64_t directoryStart = zip.size();
    zip += BytesLE(0x02014b50, 4);
    zip += BytesLE((3 << 8) | 45, 2);  // made by Unix
    zip += BytesLE(45, 2);
    zip += BytesLE(0, 2);
    zip += BytesLE(8, 2);
    zip += BytesLE(0, 2);
    zip += BytesLE(0x21, 2);
    zip += BytesLE(crc, 4);
    zip += BytesLE(0xFFFFFFFF, 4);
    zip += BytesLE(0xFFFFFFFF, 4);
    zip += BytesLE(name.size(), 2);
    zip += BytesLE(28, 2);
    zip += BytesLE(0, 2);  // comment
    zip += BytesLE(0, 2);  // disk
    zip += BytesLE(0, 2);  // internal attributes
    zip += BytesLE(std::uint64_t(0100644) << 16, 4);
    zip += BytesLE(0xFFFFFFFF, 4);
    zip += name;
    zip += BytesLE(1, 2);
    zip += BytesLE(24, 2);
    zip += BytesLE(declaredSize, 8);
    zip += BytesLE(deflated.size(), 8);
    zip += BytesLE(0, 8);
    const std::uint64_t directorySize = zip.size() - directoryStart;

    const std::uint64_t zip64End = zip.size();
    zip += BytesLE(0x06064b50, 4);
    zip += BytesLE(44, 8);
    zip += BytesLE((3 << 8) | 45, 2);
    zip += BytesLE(45, 2);
    zip += BytesLE(0, 4);
    zip += BytesLE(0, 4);
    zip += BytesLE(1, 8);
    zip += BytesLE(1, 8);
    zip += BytesLE(directorySize, 8);
    zip += BytesLE(directoryStart, 8);
    zip += BytesLE(0x07064b50, 4);
    zip += BytesLE(0, 4);
    zip += BytesLE(zip64End, 8);
    zip += BytesLE(1, 4);
    zip += BytesLE(0x06054b50, 4);
    zip += BytesLE(0, 2);
    zip += BytesLE(0, 2);
    zip += BytesLE(1, 2);
    zip += BytesLE(1, 2);
    zip += BytesLE(0xFFFFFFFF, 4);
    zip += BytesLE(0xFFFFFFFF, 4);
    zip += BytesLE(0, 2);
    return zip;
}

// Gives the entries of a zip archive the Unix file mode `mode`.
void SetZipModes(const std::string& path, std::uint32_t mode) {
    std::string zip = ReadFile(path);
    const std::string signature("PK\1\2", 4);
    for (std::size_t at = zip.find(signature); at != std::string::npos;
         at = zip.find(signature, at + 4)) {
        zip[at + 5] = 3;  // made by Unix
        for (int i = 0; i < 4; ++i) zip[at + 38 + i] = char(((mode << 16) >> (8 * i)) & 0xFF);
    }
    WriteFile(path, zip);
}

class ArchiverTest : public ::testing::Test {
protected:
    ArchiverTest() {
        testsupport::MakeDirs(dir / "src");
        out = dir / "out";
        // Short texts for the reasons, so that a test sees the reason and
        // what the message names.
        for (const char* reason : {"DAMAGED", "EMPTY", "ENCRYPTED", "NO_SPACE", "TOO_LARGE",
                                   "UNREADABLE", "UNSUPPORTED", "VOLUME_MISSING", "WRITE_FAILED"}) {
            host.texts[std::string("MessageBox/ARCHIVE_") + reason] = std::string(reason) + ":%1";
        }
    }

    std::unique_ptr<KelArchiverBase> Extract(const std::string& archive,
                                             ArchiverKind kind = ArchiverKind::SevenZip) {
        // The run tells the user of a failure; the tests read it as the user would.
        auto archiver = CreateArchiver(kind, {archive, out, &stop});
        ShowArchiveProblem(host, archiver->Problem());
        return archiver;
    }

    // Makes a file in the source folder (subfolders created).
    void Source(const std::string& name, const std::string& content) {
        const std::string path = dir / ("src/" + name);
        testsupport::MakeDirs(path.substr(0, path.rfind('/')));
        WriteFile(path, content);
    }

    // Runs a command in the source folder; the tests need these tools.
    void InSource(const std::string& command) {
        ASSERT_TRUE(RunIn(dir / "src", command)) << command;
    }

    testsupport::TempDir dir;
    std::string out;
    RecordingHost host;
    std::atomic<bool> stop{false};
};

TEST(ChooseArchiver, FirstContainedTextWins) {
    EXPECT_EQ(ChooseArchiver("/games/Game.zip"), ArchiverKind::SevenZip);
    EXPECT_EQ(ChooseArchiver("/games/Game.rar"), ArchiverKind::RAR);
    EXPECT_EQ(ChooseArchiver("/games/Game.part01.rar"), ArchiverKind::RAR);
    EXPECT_EQ(ChooseArchiver("/games/Game.001"), ArchiverKind::RAR);
    EXPECT_EQ(ChooseArchiver("/games/Game.7z.001"), ArchiverKind::RAR);
    EXPECT_EQ(ChooseArchiver("/games/Game.7z"), ArchiverKind::SevenZip);
    EXPECT_EQ(ChooseArchiver("/games/Game.lzh"), ArchiverKind::LZH);
    EXPECT_EQ(ChooseArchiver("/games/Game.gca"), ArchiverKind::GCA);
    EXPECT_EQ(ChooseArchiver("/games/Game.cab"), ArchiverKind::SevenZip);
    EXPECT_EQ(ChooseArchiver("/games/Game.z01"), ArchiverKind::SevenZip);
    EXPECT_EQ(ChooseArchiver("/games/old.rar files/Game.7z"), ArchiverKind::RAR);
    EXPECT_EQ(ChooseArchiver("/games/a.zip/Game.rar"), ArchiverKind::SevenZip);
    EXPECT_EQ(ChooseArchiver("/games/Game.ZIP"), ArchiverKind::None);
    EXPECT_EQ(ChooseArchiver("/games/Game.txt"), ArchiverKind::None);
    EXPECT_EQ(CreateArchiver(ArchiverKind::None, {"/games/Game.txt", "/tmp/x"}), nullptr);
}

TEST_F(ArchiverTest, ZipIsExtractedFlat) {
    Source("Game.bin", "image");
    Source("sub/deeper/Game.cue", "FILE \"Game.bin\" BINARY\r\n");
    InSource("zip -qr ../Game.zip Game.bin sub");
    const auto archiver = Extract(dir / "Game.zip");
    ASSERT_TRUE(archiver->Succeeded());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(ListNames(out), (Names{"Game.bin", "Game.cue"}));
    EXPECT_EQ(ReadFile(out + "/Game.bin"), "image");
    struct stat status;
    ASSERT_EQ(stat(out.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
}

TEST_F(ArchiverTest, SevenZipAndBsdtarArchives) {
    Source("Game.iso", std::string(300000, 'a') + "end");
    InSource("7zz a -bd ../Game.7z Game.iso");
    InSource("bsdtar -cf ../Game.tar.7z --format 7zip Game.iso");
    InSource("bsdtar -cf ../Other.zip --format zip Game.iso");
    for (const char* name : {"Game.7z", "Game.tar.7z", "Other.zip"}) {
        const auto archiver = Extract(dir / name);
        ASSERT_TRUE(archiver->Succeeded()) << name;
        EXPECT_EQ(ListNames(out), Names{"Game.iso"}) << name;
        EXPECT_EQ(ReadFile(out + "/Game.iso"), ReadFile(dir / "src/Game.iso")) << name;
    }
}

TEST_F(ArchiverTest, SplitSevenZipReachesTheRarExtractor) {
    std::string image;
    for (int i = 0; i < 20000; ++i) image += std::to_string(i * 7919) + ",";
    Source("Game.bin", image);
    InSource("7zz a -bd -mx=0 -v20k ../Game.7z Game.bin");
    ASSERT_TRUE(platform::KindOf(dir / "Game.7z.003") == platform::PathKind::File);
    const auto archiver = Extract(dir / "Game.7z.001", ArchiverKind::RAR);
    ASSERT_TRUE(archiver->Succeeded()) << (host.messages.empty() ? "" : host.messages[0].text);
    EXPECT_EQ(ReadFile(out + "/Game.bin"), image);
}

TEST_F(ArchiverTest, MissingMiddleVolumeFails) {
    std::string image;
    for (int i = 0; i < 20000; ++i) image += std::to_string(i * 7919) + ",";
    Source("Game.bin", image);
    InSource("7zz a -bd -mx=0 -v20k ../Game.7z Game.bin");
    ASSERT_TRUE(platform::DeleteFile(dir / "Game.7z.002"));
    const auto archiver = Extract(dir / "Game.7z.001", ArchiverKind::RAR);
    EXPECT_FALSE(archiver->Succeeded());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Archive (RAR) Error");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Information);
    EXPECT_NE(host.messages[0].text.find("Game.7z.002"), std::string::npos);
    EXPECT_TRUE(ListNames(out).empty());
}

TEST_F(ArchiverTest, FailureShowsTheLibraryMessageWithTheFamilyCaption) {
    WriteFile(dir / "Game.rar", "this is no archive at all");
    const auto rar = Extract(dir / "Game.rar", ArchiverKind::RAR);
    EXPECT_FALSE(rar->Succeeded());
    const auto lzh = Extract(dir / "Game.rar", ArchiverKind::LZH);
    EXPECT_FALSE(lzh->Succeeded());
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].caption, "Archive (RAR) Error");
    EXPECT_EQ(host.messages[1].caption, "Archive (LZH) Error");
    EXPECT_FALSE(host.messages[0].text.empty());
}

TEST_F(ArchiverTest, MissingArchiveFails) {
    const auto archiver = Extract(dir / "Gone.zip");
    EXPECT_FALSE(archiver->Succeeded());
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(ArchiverTest, GcaIsNotSupported) {
    WriteFile(dir / "Game.gca", "GCA0 whatever");
    const auto archiver = Extract(dir / "Game.gca", ArchiverKind::GCA);
    EXPECT_FALSE(archiver->Succeeded());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "<MessageBox/ARCHIVE_GCA>");
    EXPECT_EQ(host.messages[0].caption, "Archive (CAB) Error");
    // A language without the text: the English one.
    host.texts["MessageBox/ARCHIVE_GCA"] = "";
    Extract(dir / "Game.gca", ArchiverKind::GCA);
    EXPECT_EQ(host.messages.back().text, "GCA archives are not supported on this system.");
}

TEST_F(ArchiverTest, EncryptedEntryFails) {
    Source("Game.bin", "secret image");
    InSource("zip -q -P password ../Game.zip Game.bin");
    const auto archiver = Extract(dir / "Game.zip");
    EXPECT_FALSE(archiver->Succeeded());
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_TRUE(ListNames(out).empty());
}

TEST_F(ArchiverTest, HostileNamesStayInsideTheFolder) {
    Source("x1", "one");
    Source("x2", "two");
    Source("x3", "three");
    Source("x4", "four");
    InSource(
        "bsdtar -cf ../evil.zip --format zip -P -s '|^x1$|../escaped1|' -s '|^x2$|/tmp/escaped2|' "
        "-s '|^x3$|a/../../escaped3|' -s '|^x4$|..\\\\escaped4|' x1 x2 x3 x4");
    const auto archiver = Extract(dir / "evil.zip");
    ASSERT_TRUE(archiver->Succeeded());
    EXPECT_EQ(ListNames(out), (Names{"escaped1", "escaped2", "escaped3", "escaped4"}));
    EXPECT_EQ(ReadFile(out + "/escaped3"), "three");
    EXPECT_EQ(ListNames(dir.Path()), (Names{"evil.zip", "out", "src"}));
    EXPECT_EQ(platform::KindOf("/tmp/escaped2"), platform::PathKind::Missing);
}

TEST_F(ArchiverTest, EmptyDotAndDotDotNamesAreSkipped) {
    // Entry names whose last component is "..", "." or empty (a name ending in
    // a backslash); bsdtar's -s turns each doubled backslash into one.
    const std::vector<std::string> names = {"..", ".", "a/..", "a/.", "a\\\\", "..\\\\.."};
    std::string command = "bsdtar -cf ../names.zip --format zip -P";
    std::string sources;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string source = "x" + std::to_string(i);
        Source(source, source);
        command += " -s '|^" + source + "$|" + names[i] + "|'";
        sources += " " + source;
    }
    Source("Game.bin", "image");
    InSource(command + sources + " Game.bin");
    const auto archiver = Extract(dir / "names.zip");
    ASSERT_TRUE(archiver->Succeeded()) << host.messages.at(0).text;
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(ListNames(out), Names{"Game.bin"});
    EXPECT_EQ(ListNames(dir.Path()), (Names{"names.zip", "out", "src"}));
}

TEST_F(ArchiverTest, LinksAndDevicesAreSkipped) {
    Source("real.bin", "data");
    ASSERT_EQ(symlink("/etc/passwd", (dir / "src/link.bin").c_str()), 0);
    ASSERT_EQ(symlink(dir.Path().c_str(), (dir / "src/folderlink").c_str()), 0);
    InSource("zip -qy ../links.zip real.bin link.bin folderlink");
    const auto links = Extract(dir / "links.zip");
    ASSERT_TRUE(links->Succeeded());
    EXPECT_EQ(ListNames(out), Names{"real.bin"});

    Source("device", "");
    InSource("zip -q ../device.zip device");
    SetZipModes(dir / "device.zip", 020644);  // a character device
    const auto device = Extract(dir / "device.zip");
    // Nothing could be extracted: a failure, with a message.
    EXPECT_FALSE(device->Succeeded());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "EMPTY:device.zip");
}

TEST_F(ArchiverTest, LaterEntryOfOneNameReplacesTheEarlier) {
    Source("d1/Game.bin", "first");
    Source("d2/Game.bin", "second");
    InSource("zip -q ../twice.zip d1/Game.bin d2/Game.bin");
    const auto archiver = Extract(dir / "twice.zip");
    ASSERT_TRUE(archiver->Succeeded());
    EXPECT_EQ(ListNames(out), Names{"Game.bin"});
    EXPECT_EQ(ReadFile(out + "/Game.bin"), "second");
}

TEST_F(ArchiverTest, ArchiveLargerThanTheFreeSpaceFailsCleanly) {
    // Claims about 1 EiB: more than any disk holds.
    WriteFile(dir / "bomb.zip", Zip64Claiming("Game.bin", "small", std::uint64_t(1) << 60));
    testsupport::MakeDirs(out);
    ExtractionOptions unbounded;
    unbounded.maxBytes = UINT64_MAX;
    const ExtractionResult result = ExtractFlat(dir / "bomb.zip", out, unbounded);
    EXPECT_EQ(result.failure, ExtractionFailure::NoSpace);
    EXPECT_EQ(result.subject, "Game.bin");
    EXPECT_TRUE(ListNames(out).empty());
}

TEST_F(ArchiverTest, EachExtractionStartsEmptyAndTheFolderGoesWithTheExtractor) {
    Source("First.bin", "1");
    Source("Second.bin", "2");
    InSource("zip -q ../first.zip First.bin && zip -q ../second.zip Second.bin");
    {
        const auto first = Extract(dir / "first.zip");
        ASSERT_TRUE(first->Succeeded());
    }
    EXPECT_EQ(platform::KindOf(out), platform::PathKind::Missing);

    testsupport::MakeDirs(out);
    WriteFile(out + "/Stale.bin", "left over");
    const auto second = Extract(dir / "second.zip");
    ASSERT_TRUE(second->Succeeded());
    EXPECT_EQ(ListNames(out), Names{"Second.bin"});
}

TEST_F(ArchiverTest, LinkAtTheFolderPathIsReplacedNotFollowed) {
    testsupport::MakeDirs(dir / "victim");
    WriteFile(dir / "victim/keep.txt", "keep");
    ASSERT_EQ(symlink((dir / "victim").c_str(), out.c_str()), 0);
    Source("Game.bin", "image");
    InSource("zip -q ../Game.zip Game.bin");
    const auto archiver = Extract(dir / "Game.zip");
    ASSERT_TRUE(archiver->Succeeded());
    EXPECT_EQ(platform::KindOf(out), platform::PathKind::Folder);
    EXPECT_EQ(ListNames(out), Names{"Game.bin"});
    EXPECT_EQ(ListNames(dir / "victim"), Names{"keep.txt"});
}

// Replaces the byte at `offset` of a file with its complement.
void FlipByte(const std::string& path, std::size_t offset) {
    std::string bytes = ReadFile(path);
    bytes.at(offset) = char(~bytes[offset]);
    WriteFile(path, bytes);
}

// Gives every header of a zip archive another CRC-32 for its entries.
void BreakZipChecksums(const std::string& path) {
    std::string zip = ReadFile(path);
    for (const auto& [signature, at] : {std::pair<std::string, std::size_t>{"PK\3\4", 14},
                                        std::pair<std::string, std::size_t>{"PK\1\2", 16}}) {
        for (std::size_t header = zip.find(signature); header != std::string::npos;
             header = zip.find(signature, header + 4)) {
            zip[header + at] = char(zip[header + at] ^ 0x5A);
        }
    }
    WriteFile(path, zip);
}

// A checksum that does not match, a size other than the one declared, a
// volume set without its last volume: each fails the extraction with the
// family's message and leaves nothing extracted behind.
TEST_F(ArchiverTest, ArchivesThatFailTheirChecksAreFailures) {
    std::string image;
    for (int i = 0; i < 30000; ++i) image += std::to_string(i * 7919 % 10007) + ",";
    Source("Game.iso", image);
    InSource("zip -q -0 ../stored.zip Game.iso && zip -q -9 ../deflated.zip Game.iso");
    InSource("7zz a -bd -mx=0 ../copy.7z Game.iso && 7zz a -bd -mx=0 -v40k ../split.7z Game.iso");
    FlipByte(dir / "stored.zip", 20000);
    BreakZipChecksums(dir / "deflated.zip");
    FlipByte(dir / "copy.7z", 20000);
    ASSERT_TRUE(platform::DeleteFile(dir / "split.7z.004"));
    WriteFile(dir / "short.zip", Zip64Claiming("Game.iso", "small", 4096));
    const std::string corpus = testsupport::CorpusDir();
    const std::string libarchive = corpus + "/archives/libarchive/";
    const std::string rarfile = corpus + "/archives/rarfile/test/files/";
    auto copy = [&](const std::string& from, const std::string& to) {
        WriteFile(dir / to, ReadFile(from));
    };
    if (!corpus.empty()) {
        copy(libarchive + "test_read_format_zip_size_exceeds_declared_stored.zip", "long.zip");
        for (int part = 1; part <= 7; ++part) {
            copy(libarchive + "test_read_format_rar5_multiarchive.part0" + std::to_string(part) +
                     ".rar",
                 "Five.part0" + std::to_string(part) + ".rar");
        }
        for (const char* version : {"rar3", "rar5"}) {
            for (int part = 1; part <= 2; ++part) {
                copy(rarfile + version + "-vols.part" + std::to_string(part) + ".rar",
                     std::string(version) + ".part" + std::to_string(part) + ".rar");
            }
        }
    }

    struct Case {
        std::string archive;
        ArchiverKind kind;
        std::string named;  // what the message names: the entry or the missing volume
        bool needsCorpus;
    };
    const std::vector<Case> cases = {
        {"stored.zip", ArchiverKind::SevenZip, "Game.iso", false},
        {"deflated.zip", ArchiverKind::SevenZip, "Game.iso", false},
        {"copy.7z", ArchiverKind::SevenZip, "Game.iso", false},
        {"short.zip", ArchiverKind::SevenZip, "Game.iso", false},
        {"split.7z.001", ArchiverKind::RAR, "split.7z.004", false},
        {"long.zip", ArchiverKind::SevenZip, "first", true},
        {"Five.part01.rar", ArchiverKind::RAR, "Five.part08.rar", true},
        {"rar3.part1.rar", ArchiverKind::RAR, "rar3.part3.rar", true},
        {"rar5.part1.rar", ArchiverKind::RAR, "rar5.part3.rar", true},
    };
    for (const Case& c : cases) {
        if (c.needsCorpus && corpus.empty()) continue;
        host.messages.clear();
        const auto archiver = Extract(dir / c.archive, c.kind);
        EXPECT_FALSE(archiver->Succeeded()) << c.archive;
        ASSERT_EQ(host.messages.size(), 1u) << c.archive;
        EXPECT_EQ(host.messages[0].caption,
                  c.kind == ArchiverKind::RAR ? "Archive (RAR) Error" : "Archive (7Z) Error");
        EXPECT_NE(host.messages[0].text.find(c.named), std::string::npos)
            << c.archive << ": " << host.messages[0].text;
        EXPECT_EQ(platform::KindOf(out), platform::PathKind::Missing) << c.archive;
    }
}

// The files of an extraction folder: name -> content.
using FileMap = std::map<std::string, std::string>;

FileMap FilesIn(const std::string& folder) {
    FileMap files;
    for (const std::string& name : ListNames(folder)) files[name] = ReadFile(folder + "/" + name);
    return files;
}

// `raw` decoded from `encoding` by the C library's iconv: a decoder of its
// own, not the one under test. Empty when it does not decode.
std::string Iconv(const std::string& raw, const char* encoding) {
    iconv_t converter = iconv_open("UTF-8", encoding);
    if (converter == iconv_t(-1)) return {};
    std::string in = raw;
    std::string out(raw.size() * 4 + 4, '\0');
    char* inPointer = in.data();
    char* outPointer = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const std::size_t converted = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    if (converted == std::size_t(-1)) return {};
    out.resize(out.size() - outLeft);
    return out;
}

// What `7zz x` extracts, flattened as our extraction is. 7-Zip on Linux
// writes names of legacy code pages as their bytes, and takes '\' inside
// them (the second byte of some Shift-JIS characters) for a separator: the
// path is joined back with '\', decoded with `encoding` (when given), and
// its last component taken.
FileMap SevenZipFiles(const std::string& archive, const std::string& folder, const char* encoding) {
    FileMap files;
    if (!RunIn(".", "7zz x -y -bd -o" + testsupport::ShellQuote(folder) + " " +
                        testsupport::ShellQuote(archive))) {
        return files;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.is_symlink()) continue;
        std::string path = std::filesystem::relative(entry.path(), folder).string();
        std::replace(path.begin(), path.end(), '/', '\\');
        if (encoding != nullptr) path = Iconv(path, encoding);
        const std::string name = path.substr(path.find_last_of("\\/") + 1);
        files[name] = ReadFile(entry.path().string());
    }
    return files;
}

// What rarfile's dump of an archive lists: the name and CRC-32 of every file.
std::map<std::string, std::string> RarfileListing(const std::string& dump) {
    std::map<std::string, std::string> files;
    std::istringstream lines(dump);
    std::string line, name, crc;
    bool regular = false;
    auto flush = [&] {
        if (regular && !name.empty()) files[name.substr(name.find_last_of('/') + 1)] = crc;
        name.clear();
    };
    while (std::getline(lines, line)) {
        if (line.find("FILE: ") != std::string::npos) {
            flush();
            regular = line.find(" is=F") != std::string::npos;
        }
        if (line.starts_with("  crc=0x")) crc = platform::ToUpperAscii(line.substr(8, 8));
        if (line.starts_with("  name=")) name = line.substr(7);
    }
    flush();
    return files;
}

// Every reason a user meets has its own message, in the shipped languages,
// naming what it is about; a FIFO named like an archive is refused at once.
TEST_F(ArchiverTest, MessagesSayWhyInTheUsersLanguage) {
    const std::string corpus = testsupport::CorpusDir();
    Source("Game.iso", "secret image");
    InSource("zip -q -P password ../encrypted.zip Game.iso && zip -q ../damaged.zip Game.iso");
    BreakZipChecksums(dir / "damaged.zip");
    Source("device", "");
    InSource("zip -q ../device.zip device");
    SetZipModes(dir / "device.zip", 020644);
    WriteFile(dir / "bomb.zip", Zip64Claiming("Game.bin", "small", std::uint64_t(11) << 30));
    ASSERT_EQ(mkfifo((dir / "fifo.zip").c_str(), 0600), 0);
    WriteFile(dir / "Gap.part1.rar", "first");
    WriteFile(dir / "Gap.part3.rar", "third");
    WriteFile(dir / "Late.part2.rar", "second");
    WriteFile(dir / "Span.z01", "first");
    WriteFile(dir / "Span.z02", "second");

    struct Case {
        std::string archive;
        const char* key;
        std::string subject;
        bool needsCorpus;
    };
    std::vector<Case> cases = {
        {"encrypted.zip", "ARCHIVE_ENCRYPTED", "Game.iso", false},
        {"damaged.zip", "ARCHIVE_DAMAGED", "Game.iso", false},
        {"device.zip", "ARCHIVE_EMPTY", "device.zip", false},
        {"bomb.zip", "ARCHIVE_TOO_LARGE", "Game.bin", false},
        {"fifo.zip", "ARCHIVE_UNREADABLE", "fifo.zip", false},
        {"Late.part1.rar", "ARCHIVE_VOLUME_MISSING", "Late.part1.rar", false},
        {"Gap.part1.rar", "ARCHIVE_VOLUME_MISSING", "Gap.part2.rar", false},
        {"Span.z01", "ARCHIVE_VOLUME_MISSING", "Span.zip", false},
        {"Last.part1.rar", "ARCHIVE_VOLUME_MISSING", "Last.part3.rar", true},
        {"psw.rar", "ARCHIVE_ENCRYPTED", "psw.rar", true},
        {"lh3.lzh", "ARCHIVE_UNSUPPORTED", "lzh -lh3-", true},
    };
    if (!corpus.empty()) {
        for (int part = 1; part <= 2; ++part) {
            const std::string suffix = ".part" + std::to_string(part) + ".rar";
            WriteFile(dir / ("Last" + suffix),
                      ReadFile(corpus + "/archives/rarfile/test/files/rar3-vols" + suffix));
        }
        WriteFile(dir / "psw.rar", ReadFile(corpus + "/archives/rarfile/test/files/rar5-psw.rar"));
        WriteFile(dir / "lh3.lzh",
                  ReadFile(corpus + "/archives/lhasa/test/archives/unlha32/lh3.lzh"));
    }

    const testsupport::TempDir start;  // without a language folder: the shipped ones
    for (const char* language : {"English", "Japanese"}) {
        KeyedTextDocument texts(LANGUAGE_HEADER);
        config::LoadLanguage(texts, config::LanguageFolder(start.Path()), language);
        host.texts.clear();
        for (const auto& [key, text] : texts.Sections().at("MessageBox")) {
            host.texts["MessageBox/" + key] = text;
        }
        for (const Case& c : cases) {
            if (c.needsCorpus && corpus.empty()) continue;
            host.messages.clear();
            // Run apart, so that an extraction that blocks fails the test
            // instead of hanging it.
            auto extraction = std::async(std::launch::async, [&] {
                return Extract(dir / c.archive, ChooseArchiver(dir / c.archive))->Succeeded();
            });
            if (extraction.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
                const int unblock = open((dir / "fifo.zip").c_str(), O_WRONLY | O_NONBLOCK);
                if (unblock >= 0) close(unblock);
                FAIL() << c.archive << " blocks";
            }
            EXPECT_FALSE(extraction.get()) << c.archive;
            ASSERT_EQ(host.messages.size(), 1u) << c.archive;
            std::string expected = host.texts.at(std::string("MessageBox/") + c.key);
            ASSERT_NE(expected.find("%1"), std::string::npos) << language << " " << c.key;
            expected.replace(expected.find("%1"), 2, c.subject);
            EXPECT_EQ(host.messages[0].text, expected) << language << " " << c.archive;
        }
    }
}

// Real archives written by other programs.
class CorpusArchiveTest : public ArchiverTest {
protected:
    void SetUp() override {
        corpus = testsupport::CorpusDir();
        if (corpus.empty()) GTEST_SKIP() << "no test corpus";
    }

    // Copies corpus files into the test folder under new names.
    void Copy(const std::string& from, const std::string& to) {
        WriteFile(dir / to, ReadFile(corpus + "/archives/" + from));
    }

    void ExpectVolumeFiles() {
        EXPECT_EQ(ListNames(out), (Names{"bigfile.txt", "smallfile.txt"}));
        EXPECT_EQ(CrcOf(ReadFile(out + "/bigfile.txt")), "509AD74C");
        EXPECT_EQ(CrcOf(ReadFile(out + "/smallfile.txt")), "D08A1F86");
    }

    std::string corpus;
};

TEST_F(CorpusArchiveTest, RarVolumeSets) {
    const std::string files = "rarfile/test/files/";
    for (const char* version : {"rar3", "rar5"}) {
        for (int part = 1; part <= 3; ++part) {
            Copy(files + version + "-vols.part" + std::to_string(part) + ".rar",
                 std::string(version) + ".part" + std::to_string(part) + ".rar");
        }
        const auto archiver =
            Extract(dir / (std::string(version) + ".part1.rar"), ArchiverKind::RAR);
        ASSERT_TRUE(archiver->Succeeded()) << version;
        ExpectVolumeFiles();
    }
    Copy(files + "rar3-old.rar", "Old.rar");
    Copy(files + "rar3-old.r00", "Old.r00");
    Copy(files + "rar3-old.r01", "Old.r01");
    const auto old = Extract(dir / "Old.rar", ArchiverKind::RAR);
    ASSERT_TRUE(old->Succeeded());
    ExpectVolumeFiles();
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(CorpusArchiveTest, RarSetWithoutItsMiddleVolume) {
    Copy("rarfile/test/files/rar3-vols.part1.rar", "Game.part1.rar");
    Copy("rarfile/test/files/rar3-vols.part3.rar", "Game.part3.rar");
    const auto archiver = Extract(dir / "Game.part1.rar", ArchiverKind::RAR);
    EXPECT_FALSE(archiver->Succeeded());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("Game.part2.rar"), std::string::npos);
}

TEST_F(CorpusArchiveTest, RarWithFoldersAndUnicodeNames) {
    // One of the folders is named in UTF-16 and its file is extracted too.
    Copy("rarfile/test/files/rar3-subdirs.rar", "Game.rar");
    const auto archiver = Extract(dir / "Game.rar", ArchiverKind::RAR);
    ASSERT_TRUE(archiver->Succeeded());
    EXPECT_EQ(ListNames(out), (Names{"file.txt", "file1.txt", "file2.txt", "long fn.txt"}));
}

TEST_F(CorpusArchiveTest, NamesInOtherEncodingsBecomeUtf8) {
    Copy("libarchive/test_read_format_lha_filename_cp932.lzh", "Game.lzh");
    const auto archiver = Extract(dir / "Game.lzh", ArchiverKind::LZH);
    ASSERT_TRUE(archiver->Succeeded());
    EXPECT_EQ(ListNames(out), (Names{"漢字.txt", "表.txt"}));
}

TEST_F(CorpusArchiveTest, LzhAndCab) {
    Copy("lhasa/test/archives/lha213/lh5.lzh", "Game.lzh");
    const auto lzh = Extract(dir / "Game.lzh", ArchiverKind::LZH);
    ASSERT_TRUE(lzh->Succeeded());
    EXPECT_FALSE(ListNames(out).empty());

    Copy("libmspack/libmspack/test/test_files/cabd/normal_2files_1folder.cab", "Game.cab");
    const auto cab = Extract(dir / "Game.cab");
    ASSERT_TRUE(cab->Succeeded());
    EXPECT_EQ(ListNames(out).size(), 2u);
    EXPECT_TRUE(host.messages.empty());
}

// The extraction gives the names and bytes that 7-Zip gives (names of legacy
// code pages decoded), and for RAR, which this system's 7-Zip does not read,
// the names and checksums that rarfile lists. Many rows are archives the
// library refuses (RAR 2.x, solid RAR, 7z ARM64 and RISC-V filters, Quantum
// cabinets, -lh1- LZH), which the second extractor reads.
TEST_F(CorpusArchiveTest, ExtractsWhatSevenZipAndRarfileFind) {
    struct Case {
        std::vector<std::string> volumes;  // the first one is extracted
        const char* encoding;              // of the names 7-Zip writes as bytes
    };
    const std::string la = "libarchive/test_read_format_";
    const std::string cab = "libmspack/libmspack/test/test_files/cabd/";
    const std::vector<Case> sevenZip = {
        {{la + "zip_filename_cp932.zip"}, "CP932"},
        {{la + "zip_filename_cp866.zip"}, "CP437"},
        {{la + "cab_filename_cp932.cab"}, "CP932"},
        {{la + "lha_filename_cp932.lzh"}, "CP932"},
        {{la + "zip_filename_utf8_jp.zip"}, nullptr},
        {{la + "zip_filename_utf8_ru.zip"}, nullptr},
        {{la + "zip_7z_deflate.zip"}, nullptr},
        {{la + "7zip_bcj2_lzma2_2.7z"}, nullptr},
        {{la + "7zip_lzma2_arm64.7z"}, nullptr},
        {{la + "7zip_lzma2_riscv.7z"}, nullptr},
        {{la + "7zip_deflate_arm64.7z"}, nullptr},
        {{la + "cab_1.cab"}, nullptr},
        {{cab + "mszip_lzx_qtm.cab"}, nullptr},
        {{la + "lha_lh6.lzh"}, nullptr},
        {{"lhasa/test/archives/lha213/lh5.lzh"}, nullptr},
    };
    for (const Case& c : sevenZip) {
        const std::string archive = corpus + "/archives/" + c.volumes.front();
        const auto archiver = Extract(archive, ChooseArchiver(archive));
        ASSERT_TRUE(archiver->Succeeded()) << c.volumes.front();
        const FileMap expected = SevenZipFiles(archive, dir / "7zz", c.encoding);
        EXPECT_FALSE(expected.empty()) << c.volumes.front();
        EXPECT_EQ(FilesIn(out), expected) << c.volumes.front();
        platform::RemoveTree(dir / "7zz");
    }

    const std::string rarfile = "rarfile/test/files/";
    const std::vector<Case> rar = {
        {{"rar2-unix-owner.rar"}, nullptr},
        {{"rar202-comment-nopsw.rar"}, nullptr},
        {{"rar3-solid.rar"}, nullptr},
        {{"rar3-comment-plain.rar"}, nullptr},
        {{"unicode.rar"}, nullptr},
        {{"rar5-solid.rar"}, nullptr},
        {{"rar3-old.rar", "rar3-old.r00", "rar3-old.r01"}, nullptr},
    };
    for (const Case& c : rar) {
        for (const std::string& volume : c.volumes) Copy(rarfile + volume, volume);
        const auto archiver = Extract(dir / c.volumes.front(), ArchiverKind::RAR);
        ASSERT_TRUE(archiver->Succeeded()) << c.volumes.front();
        std::map<std::string, std::string> checksums;
        for (const auto& [name, content] : FilesIn(out)) checksums[name] = CrcOf(content);
        EXPECT_EQ(checksums, RarfileListing(ReadFile(corpus + "/archives/" + rarfile +
                                                     c.volumes.front() + ".exp")))
            << c.volumes.front();
    }
    EXPECT_TRUE(host.messages.empty()) << host.messages.front().text;
}

}  // namespace
