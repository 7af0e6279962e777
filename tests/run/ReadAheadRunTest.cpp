// The reads of the next discs in flight change how long a run takes, never
// what it does: a run over one collection leaves the same files, lists, log,
// batch, journal and plan, and shows the same texts, with and without them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "RenameRunFixture.h"
#include "platform/Crc32.h"
#include "platform/FileOps.h"
#include "rename/PlanSink.h"
#include "rename/RenameJournal.h"
#include "run/ListRun.h"

using namespace renamerun;
using testsupport::WriteFile;

namespace {

void Ps2Disc(const std::string& path, const std::string& bootFile) {
    testsupport::WriteDisc(path, {{"SYSTEM.CNF", testsupport::Ps2SystemCnf(bootFile)},
                                  {bootFile, "elf of " + bootFile}});
}

// Thirty discs (more than are read ahead at once), a cue sheet's set, a
// playlist, an archive, a disc named after the next candidate, one known
// only by its checksum, one not in the database, a damaged image, a name
// taken twice, and a folder of two discs; several with release dates.
void BuildCollection() {
    testsupport::MakeDirs("scan/sub");
    std::string database = ";PS2 test list\r\n";
    for (int i = 0; i < 30; ++i) {
        const std::string number = (i < 10 ? "0" : "") + std::to_string(i);
        Ps2Disc("scan/disc" + number + ".iso", "SLPM_650." + number);
        database += Record("SLPM650" + number, "Game " + number, i % 3 == 0 ? "20010203" : "");
    }
    Ps2Disc("scan/disc30.iso", "SLPM_650.00");  // the name of disc00 is taken
    Ps2Disc("scan/Set.iso", "SLPM_651.00");
    WriteFile("scan/Set.cue",
              "FILE \"Set.iso\" BINARY\r\n  TRACK 01 MODE1/2048\r\n"
              "    INDEX 01 00:00:00\r\n");
    WriteFile("scan/Multi.m3u", "disc05.iso\r\ndisc06.iso\r\n");
    Ps2Disc("scan/Alpha.iso", "SLPM_651.01");
    WriteFile("scan/Beta.bin", std::string(4096, 'x'));
    Ps2Disc("scan/Crc.iso", "SLPM_659.99");
    Ps2Disc("scan/Unknown.iso", "SLPM_659.98");
    WriteFile("scan/Broken.iso", std::string(40000, '\x5a'));
    Ps2Disc("inner.iso", "SLPM_651.02");
    // Of the same bytes in every run: the archive holds its file's time.
    testsupport::RunCommand(
        "touch -d '2001-02-03 00:00:00' inner.iso && zip -q -0 -X scan/Zipped.zip inner.iso && "
        "rm inner.iso");
    Ps2Disc("scan/sub/a.iso", "SLPM_651.03");
    Ps2Disc("scan/sub/b.iso", "SLPM_651.04");
    database += Record("SLPM65100", "Set Game") + Record("SLPM65101", "Beta") +
                Record("SLPM65102", "From Zip") + Record("SLPM65103", "Saga Disc1", "19991231") +
                Record("SLPM65104", "Saga Disc2", "19991231") +
                Record(platform::WholeFileCrcText("scan/Crc.iso"), "By Checksum");
    WriteFile("games.csv", database);
}

// The run's start-up directory after it, every file with its bytes and the
// release date it was given, and what the run showed.
struct Result {
    RunOutcome outcome = RunOutcome::Completed;
    std::vector<std::string> statuses;
    std::vector<std::string> messages;
    std::vector<int> progress;
    std::map<std::string, std::string> files;
    std::vector<std::string> plan;
};

// The journal's run line holds the time the run began.
std::string WithoutRunTimes(const std::string& journal) {
    std::string text;
    std::size_t start = 0;
    while (start < journal.size()) {
        std::size_t end = journal.find('\n', start);
        end = end == std::string::npos ? journal.size() : end + 1;
        std::string line = journal.substr(start, end - start);
        if (line.rfind("run\t", 0) == 0) {
            const std::size_t time = line.find('\t', 4) + 1;
            line.replace(time, line.find('\t', time) - time, "TIME");
        }
        text += line;
        start = end;
    }
    return text;
}

// The last-write time of a file the run dated; the others were written by
// the test, each run at its own time.
std::string ReleaseTime(const struct stat& status) {
    constexpr std::time_t LONG_BEFORE_THE_TEST = 1262304000;  // 2010-01-01
    return status.st_mtime < LONG_BEFORE_THE_TEST ? std::to_string(status.st_mtime) : "-";
}

void ReadTree(const std::string& folder, std::map<std::string, std::string>& files) {
    for (const std::string& name : testsupport::ListNames(folder.empty() ? "." : folder)) {
        const std::string path = folder.empty() ? name : folder + "/" + name;
        struct stat status;
        ASSERT_EQ(lstat(path.c_str(), &status), 0) << path;
        if (S_ISDIR(status.st_mode)) {
            files[path + "/"] = ReleaseTime(status);
            ReadTree(path, files);
            continue;
        }
        std::string content = testsupport::ReadFile(path);
        if (name == RENAME_JOURNAL_FILE) content = WithoutRunTimes(content);
        files[path] = ReleaseTime(status) + " " + content;
    }
}

class RecordedPlan final : public PlanSink {
public:
    void Add(const PlanStep& step) override { lines.push_back(PlanLine(step)); }
    std::vector<std::string> lines;
};

enum class Kind { Rename, Checksums, DryRun, StoppedAtTheThirdDisc, List };

Result RunOnce(Kind kind, std::size_t readAhead) {
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDirectory current(dir.Path());
    RecordingHost host;
    RunState state;
    BuildCollection();
    RunSettings settings = Ps2RunSettings(host, state);
    settings.readAhead = readAhead;
    RunOptions& options = settings.options;
    options.formula = "%n";
    options.scanSubfolders = true;
    options.renameFolders = true;
    options.setTimes = true;
    options.writeBatch = true;
    options.searchArchives = true;
    options.imageChecksum = kind != Kind::Rename;
    RecordedPlan plan;
    if (kind == Kind::DryRun) settings.dryRunPlan = &plan;
    int identifying = 0;
    host.onStatus = [&](const std::string& text) {
        if (kind == Kind::StoppedAtTheThirdDisc && text.rfind("<State/GET_ID>", 0) == 0 &&
            ++identifying == 3) {
            state.stopRequested = true;
        }
    };

    Result result;
    result.outcome = kind == Kind::List ? RunList(settings) : RunRename(settings);
    // The texts name the start-up directory, which is each run's own.
    auto inStartDirectory = [&dir](std::string text) {
        for (std::size_t at; (at = text.find(dir.Path())) != std::string::npos;) {
            text.replace(at, dir.Path().size(), "START");
        }
        return text;
    };
    for (const std::string& status : host.statuses) {
        result.statuses.push_back(inStartDirectory(status));
    }
    for (const RecordingHost::Message& message : host.messages) {
        result.messages.push_back(inStartDirectory(message.text));
    }
    result.progress = host.progress;
    result.plan = plan.lines;
    ReadTree("", result.files);
    return result;
}

}  // namespace

TEST(ReadAheadRun, EverythingTheUserSeesIsTheSameWithAndWithoutIt) {
    if (!testsupport::HaveTool("zip")) GTEST_SKIP() << "needs zip";
    for (const Kind kind :
         {Kind::Rename, Kind::Checksums, Kind::DryRun, Kind::StoppedAtTheThirdDisc, Kind::List}) {
        SCOPED_TRACE(int(kind));
        const Result serial = RunOnce(kind, 0);
        const Result ahead = RunOnce(kind, 16);
        EXPECT_EQ(ahead.outcome, serial.outcome);
        EXPECT_EQ(ahead.statuses, serial.statuses);
        EXPECT_EQ(ahead.messages, serial.messages);
        EXPECT_EQ(ahead.progress, serial.progress);
        // Compared file by file, so that a difference names the file and
        // not a megabyte of images.
        std::map<std::string, std::string> differing;
        for (const auto& [path, content] : serial.files) {
            const auto other = ahead.files.find(path);
            if (other == ahead.files.end() || other->second != content) differing[path] = content;
        }
        for (const auto& [path, content] : ahead.files) {
            if (!serial.files.contains(path)) differing[path] = content;
        }
        for (const auto& [path, content] : differing) {
            ADD_FAILURE() << path << " differs"
                          << (content.size() < 2000 ? ":\n" + content : std::string());
        }
        EXPECT_EQ(ahead.plan, serial.plan);
        // The collection did what it is built for.
        EXPECT_EQ(serial.files.count("games.csv"), 1u);
        if (kind == Kind::Checksums) {
            EXPECT_EQ(serial.files.count("scan/By Checksum.iso"), 1u);
            EXPECT_EQ(serial.files.count("scan/From Zip.zip"), 1u);
            EXPECT_EQ(serial.files.count("scan/Saga/"), 1u);
            EXPECT_NE(serial.files.at("scan/Multi.m3u").find("Game 05.iso"), std::string::npos);
        }
        if (kind == Kind::DryRun) {
            EXPECT_GT(serial.plan.size(), 30u);
        }
    }
}

// Stop pressed before the first disc: the readers, which start before it,
// read no disc either. A read shows in the file's access time.
TEST(ReadAheadRun, AStoppedRunReadsNothingAhead) {
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDirectory current(dir.Path());
    RecordingHost host;
    RunState state;
    BuildCollection();
    const std::vector<std::string> names = testsupport::ListNames("scan");
    const timespec neverRead[2] = {{0, 0}, {0, UTIME_OMIT}};
    for (const std::string& name : names) {
        ASSERT_EQ(utimensat(AT_FDCWD, ("scan/" + name).c_str(), neverRead, 0), 0);
    }
    auto accessed = [](const std::string& path) {
        struct stat status;
        return stat(path.c_str(), &status) == 0 && status.st_atime != 0;
    };
    // A file system that keeps no access times shows nothing.
    testsupport::ReadFile("scan/disc00.iso");
    if (!accessed("scan/disc00.iso")) GTEST_SKIP() << "the file system keeps no access times";
    ASSERT_EQ(utimensat(AT_FDCWD, "scan/disc00.iso", neverRead, 0), 0);

    host.onStatus = [&](const std::string& text) {
        if (text == "<State/FILE_ENUMERATION>") state.stopRequested = true;
    };
    RunSettings settings = Ps2RunSettings(host, state);
    settings.options.imageChecksum = true;
    EXPECT_EQ(RunRename(settings), RunOutcome::Stopped);
    for (const std::string& name : names) {
        // The listing itself reads the cue sheets, to group their sets.
        if (name.ends_with(".cue")) continue;
        EXPECT_FALSE(accessed("scan/" + name)) << name;
    }
}

// A disc rewritten after its reader may have read it is read again in its
// turn: what a reader read stands only for files unchanged since.
TEST(ReadAheadRun, ADiscChangedWhileTheRunIsUnderWayIsReadAgainInItsTurn) {
    testsupport::TempDir dir;
    testsupport::ScopedCurrentDirectory current(dir.Path());
    testsupport::MakeDirs("scan");
    std::string database = ";PS2 test list\r\n" + Record("SLPM65099", "Changed");
    for (int i = 0; i < 12; ++i) {
        const std::string number = (i < 10 ? "0" : "") + std::to_string(i);
        Ps2Disc("scan/disc" + number + ".iso", "SLPM_650." + number);
        database += Record("SLPM650" + number, "Game " + number);
    }
    WriteFile("games.csv", database);
    RecordingHost host;
    RunState state;
    host.onStatus = [](const std::string& text) {
        if (text.rfind("<State/GET_ID>", 0) != 0 || text.find("disc03") == std::string::npos) {
            return;
        }
        testsupport::WriteDisc("scan/disc08.iso",
                               {{"SYSTEM.CNF", testsupport::Ps2SystemCnf("SLPM_650.99")},
                                {"SLPM_650.99", std::string(3000, 'c')}});
    };
    RunSettings settings = Ps2RunSettings(host, state);
    settings.options.formula = "%n";
    // Readers that compute checksums always read their disc through.
    settings.options.imageChecksum = true;
    EXPECT_EQ(RunRename(settings), RunOutcome::Completed);
    const std::vector<std::string> names = testsupport::ListNames("scan");
    EXPECT_NE(std::find(names.begin(), names.end(), "Changed.iso"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "Game 08.iso"), names.end());
}
