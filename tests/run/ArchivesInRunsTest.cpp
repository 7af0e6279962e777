// Archives as a run meets them: damaged ones, the extraction folders of
// killed runs, volume sets named the way Windows archivers write them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "RenameRunFixture.h"
#include "ident/KelFilePS2.h"
#include "platform/FileOps.h"
#include "rename/DiscRename.h"
#include "rename/FileActions.h"
#include "run/FileEnumeration.h"
#include "run/RenameRun.h"
#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

using renamerun::Ps2RunSettings;
using testsupport::ListNames;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using Names = std::vector<std::string>;

namespace {

// Points $TMPDIR at a folder for the life of the object.
class ScopedTemporaryFolder {
public:
    explicit ScopedTemporaryFolder(const std::string& folder) {
        if (const char* previous = std::getenv("TMPDIR")) saved = previous;
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~ScopedTemporaryFolder() {
        if (saved.empty()) {
            unsetenv("TMPDIR");
        } else {
            setenv("TMPDIR", saved.c_str(), 1);
        }
    }
    ScopedTemporaryFolder(const ScopedTemporaryFolder&) = delete;
    ScopedTemporaryFolder& operator=(const ScopedTemporaryFolder&) = delete;

private:
    std::string saved;
};

// The id of a process that has ended.
std::string EndedProcess() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return std::to_string(child);
}

}  // namespace

// A zip whose image fails its checksum is no image: the disc is not
// renamed, the user sees why. The run also clears what killed runs left in
// the temporary folder, and nothing else there.
TEST(ArchivesInRuns, ArchivesThatFailTheirChecksAreFailures) {
    TempDir dir;
    const testsupport::ScopedCurrentDirectory current(dir.Path());
    MakeDirs(dir / "tmp");
    const ScopedTemporaryFolder temporary(dir / "tmp");

    MakeDirs(dir / "scan");
    testsupport::WriteDisc(dir / "Game.iso",
                           {{"SYSTEM.CNF", testsupport::Ps2SystemCnf("SLPM_650.01")},
                            {"SLPM_650.01", std::string(200000, 'e')}});
    ASSERT_EQ(testsupport::RunCommand("cd " + testsupport::ShellQuote(dir.Path()) +
                                      " && zip -q -0 scan/Game.zip Game.iso"),
              0);
    std::string zip = ReadFile(dir / "scan/Game.zip");
    zip[zip.size() / 2] = char(~zip[zip.size() / 2]);  // inside the image's data
    WriteFile(dir / "scan/Game.zip", zip);
    WriteFile(dir / "games.csv", "SLPM65001;Game One;NTSC-J;;;;;PS2;;\r\n");

    const std::string dead = dir / ("tmp/Kelvane-" + EndedProcess());
    MakeDirs(dead + "/sub");
    WriteFile(dead + "/Game.iso", "left by a killed run");
    ASSERT_EQ(symlink((dir / "scan").c_str(), (dead + "/link").c_str()), 0);
    MakeDirs(dir / "tmp/Kelvane-1");  // the first process never ends
    const std::string linked = dir / ("tmp/Kelvane-" + EndedProcess());
    ASSERT_EQ(symlink((dir / "scan").c_str(), linked.c_str()), 0);
    MakeDirs(dir / "tmp/Kelvane-0012");
    WriteFile(dir / ("tmp/Kelvane-" + EndedProcess()), "a file, not a folder");
    // As MakeExtractionFolder names them, and names that only look alike.
    const std::string deadRandom = dir / ("tmp/Kelvane-" + EndedProcess() + "-Q7xZ0a");
    MakeDirs(deadRandom);
    WriteFile(deadRandom + "/Game.iso", "left by a killed run");
    const std::string shortEnd = "Kelvane-" + EndedProcess() + "-Q7xZ0";
    const std::string oddEnd = "Kelvane-" + EndedProcess() + "-Q7x.0a";
    MakeDirs(dir / ("tmp/" + shortEnd));
    MakeDirs(dir / ("tmp/" + oddEnd));
    Names kept = {"Kelvane-0012", "Kelvane-1", linked.substr(linked.rfind('/') + 1), shortEnd,
                  oddEnd};
    if (geteuid() == 0) {
        const std::string foreign = dir / ("tmp/Kelvane-" + EndedProcess());
        MakeDirs(foreign);
        ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
        kept.push_back(foreign.substr(foreign.rfind('/') + 1));
    }
    const Names before = ListNames(dir / "tmp");

    testsupport::RecordingHost host;
    RunState state;
    ASSERT_EQ(RunRename(Ps2RunSettings(host, state)), RunOutcome::NothingMatched);

    EXPECT_EQ(ListNames(dir / "scan"), Names{"Game.zip"});
    ASSERT_EQ(host.messages.size(), 2u);  // the archive's failure, then the summary
    EXPECT_EQ(host.messages[0].caption, "Archive (7Z) Error");
    EXPECT_NE(host.messages[0].text.find("Game.iso"), std::string::npos) << host.messages[0].text;
    EXPECT_NE(ReadFile("error_log.txt").find("Failed to find ID - scan/Game"), std::string::npos);

    Names expected;
    for (const std::string& name : before) {
        if (dir / ("tmp/" + name) != dead && dir / ("tmp/" + name) != deadRandom) {
            expected.push_back(name);
        }
    }
    EXPECT_EQ(ListNames(dir / "tmp"), expected);
    for (const std::string& name : kept) {
        EXPECT_NE(std::find(expected.begin(), expected.end(), name), expected.end()) << name;
    }
    EXPECT_EQ(ListNames(dir / "scan"), Names{"Game.zip"});  // the link was not followed
}

// The volumes of a set named X.Part1.RAR ... in any case make one candidate,
// are extracted together and renamed together, each keeping its suffix as
// written.
TEST(ArchivesInRuns, VolumeSetsStayTogether) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no test corpus";
    TempDir dir;
    const Names written = {"X.Part1.RAR", "X.Part2.RAR", "X.PART3.RAR",
                           "X.part4.rar", "X.Part5.Rar", "X.pArt6.RAR"};
    for (std::size_t part = 1; part <= written.size(); ++part) {
        WriteFile(
            dir / written[part - 1],
            ReadFile(corpus + "/archives/libarchive/test_rar_multivolume_multiple_files.part" +
                     std::to_string(part) + ".rar"));
    }
    for (int part = 1; part <= 3; ++part) {
        const std::string suffix = ".part" + std::to_string(part) + ".rar";
        WriteFile(dir / ("y" + suffix),
                  ReadFile(corpus + "/archives/rarfile/test/files/rar3-vols" + suffix));
    }

    std::vector<std::string> candidates;
    EnumerateFiles(dir.Path(), false, candidates);
    ReduceToBaseNames(candidates, true);
    ASSERT_EQ(candidates, (Names{dir / "X", dir / "y"}));

    testsupport::RecordingHost host;
    for (const auto& [candidate, newName] :
         {std::pair<std::string, std::string>{dir / "X", "New"}, {dir / "y", "Other"}}) {
        DiscHandlerParams params;
        params.basePath = candidate;
        KelFilePS2 handler(params);
        EXPECT_TRUE(handler.Extracted()) << candidate;
        EXPECT_EQ(ListNames(handler.ExtractDir()).size(), 2u) << candidate;
        DiskFileActions disk;
        EXPECT_TRUE(DiscRename(handler, {newName, false, 0, {}}, disk, nullptr).Renamed());
    }
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(
        ListNames(dir.Path()),
        (Names{"New.PART3.RAR", "New.Part1.RAR", "New.Part2.RAR", "New.Part5.Rar", "New.pArt6.RAR",
               "New.part4.rar", "Other.part1.rar", "Other.part2.rar", "Other.part3.rar"}));
}

// A spanned zip (X.z01, X.z02, ..., X.zip) is one disc, identified through
// its volumes and renamed together; a set without its first or last volume
// is a failure whose message names the missing volume.
TEST(ArchivesInRuns, SpannedZipsAndMissingVolumes) {
    TempDir dir;
    const testsupport::ScopedCurrentDirectory current(dir.Path());
    MakeDirs(dir / "scan");
    std::string elf;
    std::uint32_t seed = 1;
    while (elf.size() < 300000) {
        seed = seed * 1103515245 + 12345;
        elf += char(seed >> 16);
    }
    testsupport::WriteDisc(
        dir / "Game.iso",
        {{"SYSTEM.CNF", testsupport::Ps2SystemCnf("SLPM_650.01")}, {"SLPM_650.01", elf}});
    ASSERT_EQ(testsupport::RunCommand("cd " + testsupport::ShellQuote(dir.Path()) +
                                      " && zip -q -s 100k scan/Disc.zip Game.iso"),
              0);
    // Split 7z volumes keep their format in the new name (X.7z.001).
    ASSERT_EQ(testsupport::RunCommand("cd " + testsupport::ShellQuote(dir.Path()) +
                                      " && 7zz a -bd -bso0 -mx=0 -v100k scan/psx3d.7z Game.iso"),
              0);
    WriteFile(dir / "scan/Later.z01", "first part");
    WriteFile(dir / "scan/Later.z02", "second part");
    WriteFile(dir / "scan/Orphan.part2.rar", "second part");
    WriteFile(dir / "scan/Orphan.part3.rar", "third part");
    WriteFile(dir / "games.csv", "SLPM65001;Game One;NTSC-J;;;;;PS2;;\r\n");
    Names expected;
    for (const std::string& name : ListNames(dir / "scan")) {
        const std::size_t dot = name.find('.');
        const bool disc = name.starts_with("Disc.") || name.starts_with("psx3d.");
        expected.push_back(disc ? "Game One [SLPM65001]" + name.substr(dot) : name);
    }
    for (const char* renamed : {"Game One [SLPM65001].z01", "Game One [SLPM65001].7z.002"}) {
        ASSERT_NE(std::find(expected.begin(), expected.end(), renamed), expected.end());
    }
    std::sort(expected.begin(), expected.end());

    testsupport::RecordingHost host;
    host.texts["MessageBox/ARCHIVE_VOLUME_MISSING"] = "missing %1";
    RunState state;
    ASSERT_EQ(RunRename(Ps2RunSettings(host, state)), RunOutcome::Completed);

    EXPECT_EQ(ListNames(dir / "scan"), expected);
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[0].text, "missing Later.zip");
    EXPECT_EQ(host.messages[0].caption, "Archive (7Z) Error");
    EXPECT_EQ(host.messages[1].text, "missing Orphan.part1.rar");
    EXPECT_EQ(host.messages[1].caption, "Archive (RAR) Error");
    const std::string log = ReadFile("error_log.txt");
    EXPECT_NE(log.find("Failed to find ID - scan/Later"), std::string::npos);
    EXPECT_NE(log.find("Failed to find ID - scan/Orphan"), std::string::npos);
}

// Stop while an archive is being extracted ends the extraction; the disc was
// not looked at, so it gets no error-log line, and the run ends.
TEST(ArchivesInRuns, StopEndsAnExtractionUnderWay) {
    TempDir dir;
    const testsupport::ScopedCurrentDirectory current(dir.Path());
    MakeDirs(dir / "scan");
    testsupport::WriteDisc(dir / "Game.iso",
                           {{"SYSTEM.CNF", testsupport::Ps2SystemCnf("SLPM_650.01")}});
    ASSERT_EQ(
        testsupport::RunCommand("cd " + testsupport::ShellQuote(dir.Path()) +
                                " && zip -q scan/A.zip Game.iso && zip -q scan/B.zip Game.iso"),
        0);
    WriteFile(dir / "games.csv", "SLPM65001;Game One;NTSC-J;;;;;PS2;;\r\n");

    testsupport::RecordingHost host;
    RunState state;
    host.onStatus = [&](const std::string& status) {
        if (status.find("scan/A") != std::string::npos) state.stopRequested = true;
    };
    ASSERT_EQ(RunRename(Ps2RunSettings(host, state)), RunOutcome::Stopped);
    EXPECT_EQ(ListNames(dir / "scan"), (Names{"A.zip", "B.zip"}));
    ASSERT_EQ(host.messages.size(), 1u);  // the summary only
    EXPECT_EQ(ReadFile("error_log.txt").find("Failed to find ID"), std::string::npos);
}
