// Verify over real files: cue sets built here and their CHD, CSO and zip, the
// corpus's real images, a DAT whose hashes come from sha1sum and crc32 of
// them, and the hash cache across runs.
#include "run/VerifyRun.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <map>

#include "ident/DiscHandlers.h"
#include "ident/KelFileBase.h"
#include "platform/FolderSnapshots.h"
#include "support/CsoBuilder.h"
#include "support/DiscTracks.h"
#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/RawSectors.h"
#include "support/TempDir.h"

using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::WriteFile;

namespace {

class RecordingSink final : public VerifySink {
public:
    void Progress(std::int64_t, std::int64_t, const std::string&) override {}
    void Disc(const VerifiedDisc& disc) override { discs[disc.path] = disc; }
    std::map<std::string, VerifiedDisc> discs;
};

// What a tool prints first for a file: sha1sum's digest, crc32's checksum.
std::string ToolWord(const std::string& tool, const std::string& path) {
    std::string output;
    EXPECT_EQ(RunCommand(tool + " " + ShellQuote(path), &output), 0) << tool;
    return output.substr(0, output.find_first_of(" \n"));
}

// A DAT game as redump lists one, with each file's size, CRC-32 and SHA-1
// as the tools give them; the cue sheet is listed with a CRC of its own.
std::string DatGameText(const std::string& name, const std::string& serial,
                        const std::vector<std::string>& files) {
    std::string game = "game (\n\tname \"" + name + "\"\n\tserial \"" + serial + "\"\n";
    game += "\trom ( name \"" + name + ".cue\" size 1 crc 00000000 )\n";
    for (const std::string& file : files) {
        const std::string base = file.substr(file.rfind('/') + 1);
        game += "\trom ( name \"" + base + "\" size " + std::to_string(ReadFile(file).size()) +
                " crc " + ToolWord("crc32", file) + " md5 00 sha1 " + ToolWord("sha1sum", file) +
                " )\n";
    }
    return game + ")\n";
}

class VerifyRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"crc32", "sha1sum", "chdman", "zip"}) {
            if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
        }
        // A PlayStation disc: SLUS_000.01 in a Mode 2 data track, and an
        // audio track with its pregap, laid out the redump way.
        testsupport::WriteDisc(dir / "cooked.iso",
                               {{"SYSTEM.CNF", "BOOT = cdrom:\\SLUS_000.01;1\r\n"},
                                {"SLUS_000.01", std::string(5000, 'x')}});
        const std::string data = testsupport::ToRawSectors(ReadFile(dir / "cooked.iso"),
                                                           testsupport::RawLayout::Raw2352Mode2);
        const std::vector<testsupport::DiscTrack> tracks = {
            {"MODE2/2352", 2352, "", data},
            {"AUDIO", 2352, testsupport::NumberedSectors(2, 0, 150),
             testsupport::NumberedSectors(2, 150, 300)}};
        testsupport::WriteCueSet(dir / "ps1/good", testsupport::RedumpCueSet("Game (USA)", tracks),
                                 "Game (USA).cue");
        good = {dir / "ps1/good/Game (USA) (Track 1).bin",
                dir / "ps1/good/Game (USA) (Track 2).bin"};
    }

    VerifyReport Verify(const std::string& folder, int systemIndex, const std::string& dat,
                        const std::string& cache = {}, std::size_t readAhead = 8) {
        VerifyRequest request;
        request.readAhead = readAhead;
        request.folder = folder;
        request.subfolders = true;
        request.systemIndex = systemIndex;
        request.datFiles = {dat};
        request.cachePath = cache;
        sink = RecordingSink();
        return RunVerify(request, sink);
    }

    const VerifiedDisc& Found(const std::string& path) {
        static const VerifiedDisc none;
        const auto found = sink.discs.find(path);
        EXPECT_NE(found, sink.discs.end()) << path;
        return found == sink.discs.end() ? none : found->second;
    }

    testsupport::TempDir dir;
    std::vector<std::string> good;
    RecordingSink sink;
};

TEST_F(VerifyRunTest, EveryKindOfDumpIsComparedTrackByTrack) {
    WriteFile(dir / "ps1.dat",
              "clrmamepro ( name \"Sony - PlayStation\" )\n" +
                  DatGameText("Game (USA)", "SLUS-00001", good) +
                  DatGameText("Lacking (Europe)", "SLES-99999", {dir / "cooked.iso"}));
    const std::string set = dir / "ps1/good";
    auto copySet = [&](const std::string& folder) {
        ASSERT_EQ(RunCommand("cp -r " + ShellQuote(set) + " " + ShellQuote(dir / folder)), 0);
    };
    copySet("ps1/changed");
    {
        const int fd = ::open((dir / "ps1/changed/Game (USA) (Track 2).bin").c_str(), O_WRONLY);
        ASSERT_EQ(::pwrite(fd, "!", 1, 2352 * 200), 1);
        ::close(fd);
    }
    copySet("ps1/missing");
    ASSERT_EQ(::unlink((dir / "ps1/missing/Game (USA) (Track 2).bin").c_str()), 0);
    testsupport::MakeDirs(dir / "ps1/chd");
    ASSERT_EQ(RunCommand("chdman createcd -i " + ShellQuote(set + "/Game (USA).cue") + " -o " +
                         ShellQuote(dir / "ps1/chd/Game.chd") + " >/dev/null 2>&1"),
              0);
    testsupport::MakeDirs(dir / "ps1/zip");
    ASSERT_EQ(RunCommand("cd " + ShellQuote(set) + " && zip -q " +
                         ShellQuote(dir / "ps1/zip/Game.zip") + " *"),
              0);

    const VerifyReport report = Verify(dir / "ps1", 1, dir / "ps1.dat");
    ASSERT_TRUE(report.inputValid);
    const struct {
        std::string path;
        VerifyStatus status;
        std::string detail;
    } expected[] = {
        {"ps1/good/Game (USA).cue", VerifyStatus::Verified, ""},
        {"ps1/chd/Game.chd", VerifyStatus::Verified, ""},
        {"ps1/zip/Game.zip", VerifyStatus::Verified, ""},
        {"ps1/changed/Game (USA).cue", VerifyStatus::Mismatch,
         "track 2 (Game (USA) (Track 2).bin): expected size 1058400 crc " +
             ToolWord("crc32", good[1]) + " sha1 " + ToolWord("sha1sum", good[1]) +
             ", found size 1058400 crc " +
             ToolWord("crc32", dir / "ps1/changed/Game (USA) (Track 2).bin") + " sha1 " +
             ToolWord("sha1sum", dir / "ps1/changed/Game (USA) (Track 2).bin")},
        {"ps1/missing/Game (USA).cue", VerifyStatus::Incomplete,
         "track 2 (Game (USA) (Track 2).bin) missing"},
    };
    for (const auto& disc : expected) {
        const VerifiedDisc& found = Found(dir / disc.path);
        EXPECT_EQ(found.verdict.status, disc.status) << disc.path << ": " << found.verdict.detail;
        EXPECT_EQ(found.verdict.datName, "Game (USA)") << disc.path;
        EXPECT_EQ(found.verdict.detail, disc.detail) << disc.path;
    }
    // The disc without its second track gives no game code: its first
    // track's hashes found the game.
    EXPECT_EQ(Found(dir / "ps1/missing/Game (USA).cue").identifier, "");
    EXPECT_EQ(Found(dir / "ps1/good/Game (USA).cue").identifier, "SLUS00001");
    EXPECT_EQ(sink.discs.size(), 5u);
    EXPECT_EQ(report.counts[std::size_t(VerifyStatus::Verified)], 3);
    EXPECT_EQ(report.missingGames, std::vector<std::string>{"Lacking (Europe)"});

    // Read each in its turn, the discs come out the same.
    auto shown = [](const std::map<std::string, VerifiedDisc>& discs) {
        std::string text;
        for (const auto& [path, disc] : discs) {
            text += path + "|" + disc.identifier + "|" + VerifyStatusText(disc.verdict.status) +
                    "|" + disc.verdict.datName + "|" + disc.verdict.detail + "\n";
        }
        return text;
    };
    const std::string withReaders = shown(sink.discs);
    Verify(dir / "ps1", 1, dir / "ps1.dat", {}, 0);
    EXPECT_EQ(shown(sink.discs), withReaders);
}

// What readers hashed ahead of the run stands for a track only while its
// file is as it was when they read it.
TEST_F(VerifyRunTest, HashesTakenAheadStandOnlyForTheUnchangedFile) {
    WriteFile(dir / "ps1.dat", DatGameText("Game (USA)", "SLUS-00001", good));
    DiscVerifier verifier({dir / "ps1.dat"}, {});
    platform::FolderSnapshots listings;
    DiscHandlerParams params;
    params.folderSnapshots = &listings;
    params.basePath = dir / "ps1/good/Game (USA)";
    const std::unique_ptr<KelFileBase> handler = CreateDiscHandler(1, params);
    const std::optional<platform::FileState> stamp = platform::StateOf(good[1]);
    ASSERT_TRUE(stamp.has_value());
    const std::vector<HashedTrack> ahead = {
        {good[1], *stamp, "Game (USA) (Track 2).bin", TrackHash{stamp->size, 1, "0123"}}};
    const auto taken = verifier.Verify(*handler, 1, listings, ahead);
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->verdict.status, VerifyStatus::Mismatch);
    EXPECT_NE(taken->verdict.detail.find("found size 1058400 crc 00000001 sha1 0123"),
              std::string::npos)
        << taken->verdict.detail;

    const timespec earlier[2] = {{1262304000, 0}, {1262304000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, good[1].c_str(), earlier, 0), 0);
    const auto read = verifier.Verify(*handler, 1, listings, ahead);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->verdict.status, VerifyStatus::Verified) << read->verdict.detail;
}

TEST_F(VerifyRunTest, AnIsoAndItsCsoAndTheCorpusImagesAreMatchedByTheirHashes) {
    // PSP games carry their code in UMD_DATA.BIN; this one is not in the DAT
    // under it, so its hashes alone find it.
    testsupport::MakeDirs(dir / "psp");
    testsupport::WriteDisc(dir / "psp/game.iso",
                           {{"UMD_DATA.BIN", testsupport::PspUmdData("ULJM-05001")},
                            {"PSP_GAME/SYSDIR/EBOOT.BIN", std::string(3000, 'e')}});
    const std::string iso = ReadFile(dir / "psp/game.iso");
    WriteFile(dir / "psp/game2.cso", testsupport::MakeCso(iso, testsupport::CsoFlavor::CsoV1));
    std::vector<std::string> corpusFiles;
    const std::string corpus = testsupport::CorpusDir();
    if (!corpus.empty()) {
        const std::string data = corpus + "/images/libcdio/test/data/";
        for (const char* name : {"isofs-m1.bin", "isofs-m1.cue", "copying.iso"}) {
            ASSERT_EQ(RunCommand("cp " + ShellQuote(data + name) + " " + ShellQuote(dir / "psp")),
                      0);
        }
        corpusFiles = {dir / "psp/isofs-m1.bin", dir / "psp/copying.iso"};
    }
    std::string dat = "<?xml version=\"1.0\"?>\n<datafile>\n";
    std::vector<std::string> files = {dir / "psp/game.iso"};
    files.insert(files.end(), corpusFiles.begin(), corpusFiles.end());
    for (const std::string& file : files) {
        const std::string name = file.substr(file.rfind('/') + 1);
        dat += "<game name=\"" + name +
               " (Japan)\"><serial>ULJM-99999</serial>"
               "<rom name=\"" +
               name + "\" size=\"" + std::to_string(ReadFile(file).size()) + "\" crc=\"" +
               ToolWord("crc32", file) + "\" sha1=\"" + ToolWord("sha1sum", file) + "\"/></game>\n";
    }
    WriteFile(dir / "psp.dat", dat + "</datafile>\n");

    const VerifyReport report = Verify(dir / "psp", 3, dir / "psp.dat");
    ASSERT_TRUE(report.inputValid);
    EXPECT_EQ(Found(dir / "psp/game.iso").identifier, "ULJM05001");
    EXPECT_EQ(Found(dir / "psp/game.iso").verdict.datName, "game.iso (Japan)");
    EXPECT_EQ(Found(dir / "psp/game2.cso").verdict.datName, "game.iso (Japan)");
    EXPECT_EQ(Found(dir / "psp/game2.cso").verdict.status, VerifyStatus::Verified);
    if (!corpus.empty()) {
        EXPECT_EQ(Found(dir / "psp/isofs-m1.cue").verdict.datName, "isofs-m1.bin (Japan)");
        EXPECT_EQ(Found(dir / "psp/copying.iso").verdict.status, VerifyStatus::Verified);
    }
    EXPECT_EQ(report.counts[std::size_t(VerifyStatus::Verified)], std::int64_t(sink.discs.size()));
}

TEST_F(VerifyRunTest, TheCacheAnswersForUnchangedFilesAndATouchInvalidatesIt) {
    WriteFile(dir / "ps1.dat", DatGameText("Game (USA)", "SLUS-00001", good));
    const std::string cache = dir / "cache.sqlite";
    const std::string sheet = dir / "ps1/good/Game (USA).cue";
    ASSERT_EQ(Verify(dir / "ps1", 1, dir / "ps1.dat", cache).counts[0], 1);

    // Other bytes under the same size, time and inode: the cache answers
    // without reading the track, so the change goes unseen.
    struct stat before {};
    ASSERT_EQ(::stat(good[1].c_str(), &before), 0);
    const int fd = ::open(good[1].c_str(), O_WRONLY);
    ASSERT_EQ(::pwrite(fd, "!", 1, 100), 1);
    ::close(fd);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, good[1].c_str(), times, 0), 0);
    EXPECT_EQ(Verify(dir / "ps1", 1, dir / "ps1.dat", cache).counts[0], 1);
    EXPECT_EQ(Found(sheet).identifier, "SLUS00001");

    // A touch makes the file one to read again.
    ASSERT_EQ(::utimensat(AT_FDCWD, good[1].c_str(), nullptr, 0), 0);
    Verify(dir / "ps1", 1, dir / "ps1.dat", cache);
    EXPECT_EQ(Found(sheet).verdict.status, VerifyStatus::Mismatch);
    // A cache that is no database is left alone, and verify reads every file.
    WriteFile(dir / "junk.sqlite", std::string(4096, 'j'));
    const VerifyReport junk = Verify(dir / "ps1", 1, dir / "ps1.dat", dir / "junk.sqlite");
    EXPECT_FALSE(junk.cacheProblem.empty());
    EXPECT_EQ(Found(sheet).verdict.status, VerifyStatus::Mismatch);
    EXPECT_EQ(ReadFile(dir / "junk.sqlite"), std::string(4096, 'j'));
}

}  // namespace

TEST_F(VerifyRunTest, AStopEndsTheRunAfterTheDiscInHandWhoseHashesStayCached) {
    WriteFile(dir / "ps1.dat", DatGameText("Game (USA)", "SLUS-00001", good));
    ASSERT_EQ(
        RunCommand("cp -r " + ShellQuote(dir / "ps1/good") + " " + ShellQuote(dir / "ps1/again")),
        0);
    class StopAfterOne final : public VerifySink {
    public:
        void Progress(std::int64_t, std::int64_t, const std::string&) override {}
        void Disc(const VerifiedDisc& disc) override {
            discs.push_back(disc);
            stop = true;
        }
        std::vector<VerifiedDisc> discs;
        std::atomic<bool> stop{false};
    } sink;
    VerifyRequest request;
    request.folder = dir / "ps1";
    request.subfolders = true;
    request.systemIndex = 1;
    request.datFiles = {dir / "ps1.dat"};
    request.cachePath = dir / "cache.sqlite";
    request.stopRequested = &sink.stop;
    const VerifyReport report = RunVerify(request, sink);
    EXPECT_TRUE(report.stopped);
    ASSERT_EQ(sink.discs.size(), 1u);
    DiscVerifier verifier({dir / "ps1.dat"}, dir / "cache.sqlite");
    const platform::FolderSnapshots listings;
    const auto cached = verifier.FromCache(sink.discs[0].candidate, 1, listings);
    ASSERT_TRUE(cached.has_value());
    EXPECT_EQ(cached->verdict.status, VerifyStatus::Verified);
    EXPECT_EQ(cached->path, sink.discs[0].path);
}
