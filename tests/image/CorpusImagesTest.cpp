// Real images written by other projects, read through our readers and
// checked against what the CD tools installed here (cd-read, bchunk, iso-info)
// read from the same files.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "image/KelCDFileSystem.h"
#include "image/KelCDImage.h"
#include "image/KelCDImageDAO.h"
#include "platform/FileOps.h"
#include "platform/TextLines.h"
#include "support/CdTools.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace {

using testsupport::CorpusDir;
using testsupport::HaveTool;
using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;

std::string LibcdioData(const std::string& name) {
    return CorpusDir() + "/images/libcdio/test/data/" + name;
}

#define REQUIRE_CORPUS()                                             \
    do {                                                             \
        if (CorpusDir().empty()) GTEST_SKIP() << "no shared corpus"; \
    } while (false)

#define REQUIRE_TOOL(name)                                         \
    do {                                                           \
        if (!HaveTool(name)) GTEST_SKIP() << name << " not found"; \
    } while (false)

// One file of an ISO9660 listing: path inside the disc ('\' between levels,
// lower case, no version), first sector, size.
struct ListedFile {
    std::string path;
    std::uint64_t sector = 0;
    std::uint64_t size = 0;
    auto operator<=>(const ListedFile&) const = default;
};

void PrintTo(const ListedFile& file, std::ostream* out) {
    *out << file.path << " @" << file.sector << " " << file.size;
}

// iso-info's listing of a cooked image, without Rock Ridge and Joliet names.
// The files iso-info marks as Mode 2 Form 2 are added to `form2` when given.
std::vector<ListedFile> ToolListing(const std::string& cookedImage,
                                    std::vector<std::string>* form2 = nullptr) {
    std::string output;
    const int status = RunCommand("iso-info --no-header --no-rock-ridge --no-joliet -l -i " +
                                      ShellQuote(cookedImage) + " 2>/dev/null",
                                  &output);
    EXPECT_EQ(status, 0) << cookedImage;
    // "  - [LSN 26] 17992 Jul 29 2002 12:39:53  copying", and on XA discs
    // "  ---2-xrxrxr 0 0 [fn 00] [LSN 225] 65072 (57344) Jul 14 ...  item.mpg",
    // where the size in parentheses is the one the directory record holds.
    static const std::regex FILE_LINE(
        R"(^\s+-(\S*)(?:\s+\d+\s+\d+\s+\[fn\s+\d+\])?\s+\[LSN\s+(\d+)\]\s+(\d+))"
        R"((?:\s+\(\s*(\d+)\))?\s+\w{3} \d{2} \d{4} \d{2}:\d{2}:\d{2}\s+(.*)$)");
    std::vector<ListedFile> files;
    std::string folder;
    for (const std::string& line : platform::SplitTextLines(output)) {
        std::smatch match;
        if (!line.empty() && line[0] == '/' && line.back() == ':') {
            folder = line.substr(1, line.size() - 2);
            std::replace(folder.begin(), folder.end(), '/', '\\');
        } else if (std::regex_match(line, match, FILE_LINE)) {
            const std::string size = match[4].matched ? match[4].str() : match[3].str();
            files.push_back(
                {folder + match[5].str(), std::stoull(match[2].str()), std::stoull(size)});
            if (form2 && match[1].str().starts_with("--2")) form2->push_back(files.back().path);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<ListedFile> OurListing(const KelCDFileSystem& fileSystem) {
    std::vector<ListedFile> files;
    for (const FileEntry& file : fileSystem.Files()) {
        files.push_back({file.name, file.extent, file.size});
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Every file whose name is listed once (files of several extents load only
// their first extent here) must hold the bytes that stand at its place in
// the cooked image a tool produced. Files in `skipped` are left out.
void ExpectSameFileContents(KelCDFileSystem& fileSystem, const std::string& cookedImage,
                            const std::vector<std::string>& skipped = {}) {
    const std::string cooked = ReadFile(cookedImage);
    std::vector<std::string> names;
    for (const FileEntry& file : fileSystem.Files()) names.push_back(file.name);
    for (const FileEntry& file : fileSystem.Files()) {
        if (std::count(names.begin(), names.end(), file.name) != 1) continue;
        if (std::count(skipped.begin(), skipped.end(), file.name) != 0) continue;
        const std::uint64_t at = std::uint64_t(file.extent) * 2048;
        ASSERT_LE(at + file.size, cooked.size()) << file.name;
        const std::int32_t index = fileSystem.OpenFile(file.name);
        ASSERT_GE(index, 0) << file.name;
        const std::string ours(reinterpret_cast<const char*>(fileSystem.FileData(index)),
                               std::size_t(fileSystem.FileSize(index)));
        EXPECT_TRUE(ours == cooked.substr(at, file.size)) << file.name;
    }
}

// User-data blocks of an image from `first` on, as our facade reads them.
std::string OurSectors(const std::string& path, std::int32_t count, std::int64_t first = 0) {
    const KelCDImage image(path);
    std::string blocks(std::size_t(count) * 2048, '\0');
    EXPECT_TRUE(image.ReadSectors(reinterpret_cast<unsigned char*>(blocks.data()), first, count));
    return blocks;
}

void ExpectSameBlocks(const std::string& ours, const std::string& theirs, const char* what) {
    ASSERT_EQ(ours.size(), theirs.size()) << what;
    for (std::size_t block = 0; block < ours.size() / 2048; ++block) {
        ASSERT_TRUE(ours.compare(block * 2048, 2048, theirs, block * 2048, 2048) == 0)
            << what << ": block " << block;
    }
}

TEST(CorpusImages, CueSheetOfAMode1Disc) {
    REQUIRE_CORPUS();
    const std::string sheet = LibcdioData("isofs-m1.cue");
    // The sheet names ISOFS-M1.BIN; the file beside it is isofs-m1.bin.
    const KelCDImageDAO reader(sheet);
    ASSERT_TRUE(reader.IsOpened());
    EXPECT_EQ(reader.ImagePath(), LibcdioData("isofs-m1.bin"));
    EXPECT_EQ(reader.TrackCount(), 1);
    EXPECT_EQ(reader.TrackSectorKind(0), SectorKind::Mode1Data);
    EXPECT_EQ(reader.TrackSectorSize(0), 2352);
    EXPECT_EQ(reader.TrackDataOffset(0), 0);
}

TEST(CorpusImages, CueSheetSectorsMatchCdReadAndBchunk) {
    REQUIRE_CORPUS();
    REQUIRE_TOOL("cd-read");
    REQUIRE_TOOL("bchunk");
    TempDir dir;
    const std::string sheet = LibcdioData("isofs-m1.cue");
    const std::string ours = OurSectors(sheet, 302);

    ASSERT_EQ(
        RunCommand("cd-read --no-header -c " + ShellQuote(sheet) + " -m m1f1 -s 0 -n 302 -o " +
                   ShellQuote(dir / "cdread.iso") + " >/dev/null 2>&1"),
        0);
    ExpectSameBlocks(ours, ReadFile(dir / "cdread.iso"), "cd-read");

    ASSERT_EQ(RunCommand("bchunk " + ShellQuote(LibcdioData("isofs-m1.bin")) + " " +
                         ShellQuote(sheet) + " " + ShellQuote(dir / "track") + " >/dev/null 2>&1"),
              0);
    ExpectSameBlocks(ours, ReadFile(dir / "track01.iso"), "bchunk");
}

TEST(CorpusImages, CueSheetFileSystemMatchesIsoInfo) {
    REQUIRE_CORPUS();
    REQUIRE_TOOL("bchunk");
    REQUIRE_TOOL("iso-info");
    TempDir dir;
    const std::string sheet = LibcdioData("isofs-m1.cue");
    ASSERT_EQ(RunCommand("bchunk " + ShellQuote(LibcdioData("isofs-m1.bin")) + " " +
                         ShellQuote(sheet) + " " + ShellQuote(dir / "track") + " >/dev/null 2>&1"),
              0);
    KelCDFileSystem fileSystem(sheet);
    ASSERT_TRUE(fileSystem.IsValid());
    const std::vector<ListedFile> listing = OurListing(fileSystem);
    EXPECT_EQ(listing, ToolListing(dir / "track01.iso"));
    EXPECT_FALSE(listing.empty());
    ExpectSameFileContents(fileSystem, dir / "track01.iso");
}

TEST(CorpusImages, AudioCueSheetReadsTheFramesCdReadReads) {
    REQUIRE_CORPUS();
    REQUIRE_TOOL("cd-read");
    TempDir dir;
    const std::string sheet = LibcdioData("cdda.cue");
    const KelCDImageDAO reader(sheet);
    ASSERT_TRUE(reader.IsOpened());
    EXPECT_EQ(reader.TrackSectorKind(0), SectorKind::Audio);
    EXPECT_FALSE(KelCDFileSystem(sheet).IsValid());

    ASSERT_EQ(
        RunCommand("cd-read --no-header -c " + ShellQuote(sheet) + " -m audio -s 0 -n 302 -o " +
                   ShellQuote(dir / "frames") + " >/dev/null 2>&1"),
        0);
    const std::string frames = ReadFile(dir / "frames");
    ASSERT_EQ(frames.size(), 302u * 2352);
    // An audio track is read with no header to skip: the first 2048 bytes of each frame.
    std::string expected;
    for (std::size_t frame = 0; frame < 302; ++frame) expected += frames.substr(frame * 2352, 2048);
    ExpectSameBlocks(OurSectors(sheet, 302), expected, "cd-read audio");
}

TEST(CorpusImages, TrackAtOnceNeroImageReadsEveryTrackWhereCdInfoPlacesIt) {
    REQUIRE_CORPUS();
    REQUIRE_TOOL("cd-info");
    REQUIRE_TOOL("cd-read");
    REQUIRE_TOOL("iso-info");
    TempDir dir;
    const std::string image = LibcdioData("videocd.nrg");
    // A video CD written track-at-once: ETNF and SINF, five Mode 2 tracks of
    // 2336-byte sectors, each after a pregap the image does not store.
    const KelCDImageDAO reader(image);
    ASSERT_TRUE(reader.IsOpened());
    EXPECT_EQ(reader.TrackCount(), 5);
    EXPECT_EQ(reader.TrackSectorSize(4), 2336);
    EXPECT_EQ(reader.TrackSectorKind(4), SectorKind::Mode2Data);
    const std::vector<std::int64_t> starts = testsupport::CdInfoTrackSectors("--nrg-file", image);
    ASSERT_EQ(starts.size(), 6u);
    EXPECT_EQ(KelCDImage(image).SectorCount(), starts[5]);
    for (std::size_t track = 0; track < 5; ++track) {
        const std::int64_t count =
            (track == 4 ? starts[5] : starts[track + 1] - 150) - starts[track];
        ExpectSameBlocks(
            OurSectors(image, std::int32_t(count), starts[track]),
            testsupport::CdReadBlocks("--nrg-file", image, "m2f1", starts[track], count),
            "cd-read nrg");
    }

    // The ISO9660 track holds 676 sectors.
    ASSERT_EQ(
        RunCommand("cd-read --no-header -N " + ShellQuote(image) + " -m m2f1 -s 0 -n 676 -o " +
                   ShellQuote(dir / "track1.iso") + " >/dev/null 2>&1"),
        0);
    KelCDFileSystem fileSystem(image);
    ASSERT_TRUE(fileSystem.IsValid());
    std::vector<std::string> form2;
    EXPECT_EQ(OurListing(fileSystem), ToolListing(dir / "track1.iso", &form2));
    EXPECT_EQ(form2.size(), 7u);
    ExpectSameFileContents(fileSystem, dir / "track1.iso", form2);
}

TEST(CorpusImages, Ner5AudioImagePlacesItsTracksAsCdInfoDoes) {
    REQUIRE_CORPUS();
    REQUIRE_TOOL("cd-info");
    REQUIRE_TOOL("cd-read");
    // The 64-bit footer, CUEX, DAOX, CDTX, SINF and MTYP; two audio tracks
    // whose stored pregaps lie before their index 1.
    const std::string image = LibcdioData("p1.nrg");
    const KelCDImageDAO reader(image);
    ASSERT_TRUE(reader.IsOpened());
    EXPECT_EQ(reader.TrackCount(), 2);
    EXPECT_EQ(reader.TrackSectorKind(0), SectorKind::Audio);
    EXPECT_EQ(reader.TrackSectorKind(1), SectorKind::Audio);
    EXPECT_FALSE(KelCDFileSystem(image).IsValid());
    // Sector 0 is the first track's index 1.
    const std::vector<std::int64_t> starts = testsupport::CdInfoTrackSectors("--nrg-file", image);
    ASSERT_EQ(starts.size(), 3u);
    const std::int64_t total = starts[2] - starts[0];
    EXPECT_EQ(KelCDImage(image).SectorCount(), total);
    ExpectSameBlocks(OurSectors(image, std::int32_t(total)),
                     testsupport::UserDataOfFrames(
                         testsupport::CdReadBlocks("--nrg-file", image, "audio", starts[0], total)),
                     "cd-read nrg");
}

TEST(CorpusImages, CueSheetsTheReaderRefuses) {
    REQUIRE_CORPUS();
    const std::string base = CorpusDir() + "/images/";
    std::vector<std::string> sheets = {
        "libcdio/test/data/bad-msf-1.cue",  // INDEX 01 00:00:100: frames run to 74
        "libcdio/test/data/bad-msf-2.cue",  // INDEX 01 00:90:00: seconds run to 59
        "libcdio/test/data/bad-msf-3.cue",  // INDEX 01 xx:yy:0
        "libcdio/test/data/bad-mode1.cue",  // track type MODE3_FORM1
        "libcdio/test/data/p1.cue",         // BOING.BIN is not there
        "libcdio/parse/test/t1.cue",        // t1.bin is not there
        "libcdio/parse/test/t2.cue",        // file type AUDIO
        "libcdio/parse/test/t3.cue",        // a data file named BINARY
        "libcdio/test/vcd_demo.cue",        // vcd_demo.bin is not there
    };
    // Every whipper sheet describes WAVE files.
    const std::string whipper = base + "whipper/whipper/test";
    for (const std::string& name : testsupport::ListNames(whipper)) {
        if (name.size() > 4 && name.substr(name.size() - 4) == ".cue") {
            sheets.push_back("whipper/whipper/test/" + name);
        }
    }
    EXPECT_GE(sheets.size(), 20u);
    for (const std::string& sheet : sheets) {
        EXPECT_FALSE(KelCDImageDAO(base + sheet).IsOpened()) << sheet;
        EXPECT_FALSE(KelCDImage(base + sheet).IsOpened()) << sheet;
    }
}

TEST(CorpusImages, CueSheetsWithUnusualLinesStillOpen) {
    REQUIRE_CORPUS();
    // Catalog lines say nothing of the layout and are ignored (cd-info
    // refuses these sheets for them; a disc is not lost over its catalog).
    for (const char* sheet : {"bad-cat1.cue", "bad-cat2.cue", "bad-cat3.cue"}) {
        const KelCDImageDAO reader(LibcdioData(sheet));
        ASSERT_TRUE(reader.IsOpened()) << sheet;
        EXPECT_EQ(reader.ImagePath(), LibcdioData("cdda.bin"));
        EXPECT_EQ(reader.TrackSectorKind(0), SectorKind::Audio);
        EXPECT_EQ(reader.TrackDataOffset(0), 0) << sheet;
    }
    // A sheet of the audio tracks 4 and 5 of a disc: its first track is 04.
    const KelCDImageDAO tracks(LibcdioData("cdda_4_5.cue"));
    ASSERT_TRUE(tracks.IsOpened());
    EXPECT_EQ(tracks.TrackCount(), 2);
    EXPECT_EQ(tracks.TrackDataOffset(1), 150 * 2352);
}

TEST(CorpusImages, CookedImagesMatchTheIsoInfoListing) {
    REQUIRE_CORPUS();
    REQUIRE_TOOL("iso-info");
    for (const char* name :
         {"copying.iso", "copying-rr.iso", "joliet.iso", "multi_extent_8k.iso",
          "multi_extent_8k_emul_toc_padded.iso", "multi_extent_8k_joliet.iso", "test-udf1.iso"}) {
        const std::string image = LibcdioData(name);
        KelCDFileSystem fileSystem(image);
        ASSERT_TRUE(fileSystem.IsValid()) << name;
        const std::vector<ListedFile> listing = OurListing(fileSystem);
        EXPECT_FALSE(listing.empty()) << name;
        EXPECT_EQ(listing, ToolListing(image)) << name;
        ExpectSameFileContents(fileSystem, image);
    }
}

TEST(CorpusImages, AFileOfSeveralExtentsLoadsWhole) {
    REQUIRE_CORPUS();
    // xorriso wrote the file as seven extents of at most 8 KiB.
    const std::string whole = ReadFile(LibcdioData("multi_extent_file"));
    ASSERT_EQ(whole.size(), 54305u);
    for (const char* name : {"multi_extent_8k.iso", "multi_extent_8k_emul_toc_padded.iso",
                             "multi_extent_8k_joliet.iso"}) {
        KelCDFileSystem fileSystem(LibcdioData(name));
        ASSERT_TRUE(fileSystem.IsValid()) << name;
        EXPECT_EQ(fileSystem.Files().size(), 7u) << name;
        const std::int32_t index = fileSystem.OpenFile("MULTI_EXTENT_FILE");
        ASSERT_GE(index, 0) << name;
        EXPECT_TRUE(std::string(reinterpret_cast<const char*>(fileSystem.FileData(index)),
                                std::size_t(fileSystem.FileSize(index))) == whole)
            << name;
    }
}

// Every file of the corpus's image folders opens (or stays unopened) without
// harm, and what an opened image lists loads within the size of its data file.
TEST(CorpusImages, EveryImageOpensWithoutHarm) {
    REQUIRE_CORPUS();
    std::vector<std::string> folders = {CorpusDir() + "/images"};
    std::size_t files = 0;
    while (!folders.empty()) {
        const std::string folder = folders.back();
        folders.pop_back();
        for (const std::string& name : testsupport::ListNames(folder)) {
            const std::string path = folder + "/" + name;
            if (platform::KindOf(path) == platform::PathKind::Folder) {
                folders.push_back(path);
                continue;
            }
            ++files;
            KelCDFileSystem fileSystem(path);
            if (!fileSystem.IsValid()) continue;
            const std::uint64_t dataSize = std::uint64_t(KelCDImage(path).SectorCount()) * 2048;
            for (const FileEntry& file : fileSystem.Files()) {
                // Only files that lie inside the image load (Rock Ridge's
                // relocation entries point nowhere); an empty one is empty
                // wherever it points.
                const bool inside =
                    file.size == 0 ||
                    (std::uint64_t(file.extent) + (file.size + 2047) / 2048) * 2048 <= dataSize;
                const std::int32_t index = fileSystem.OpenFile(file.name);
                EXPECT_EQ(index >= 0, inside) << path << ": " << file.name;
                EXPECT_LE(std::uint64_t(fileSystem.FileSize(index)), dataSize) << path;
            }
        }
    }
    EXPECT_GT(files, 100u);
}

}  // namespace
