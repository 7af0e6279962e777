#include "rename/RenameJournal.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <map>

#include "platform/AppendFile.h"
#include "platform/DecimalText.h"
#include "platform/FileLock.h"
#include "platform/FileOps.h"
#include "platform/ReadOnlyFile.h"
#include "platform/TextLines.h"

namespace {

using Fields = std::vector<std::string>;

// The format of the runs this writer writes; run lines without it are older.
constexpr const char* FORMAT = "2";

std::string Escaped(std::string_view field) {
    std::string escaped;
    for (const char c : field) {
        switch (c) {
            case '%':
                escaped += "%25";
                break;
            case '\t':
                escaped += "%09";
                break;
            case '\r':
                escaped += "%0D";
                break;
            case '\n':
                escaped += "%0A";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string Unescaped(std::string_view field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const std::string_view code = field.substr(i, 3);
        if (code == "%25" || code == "%09" || code == "%0D" || code == "%0A") {
            text += code == "%25" ? '%' : code == "%09" ? '\t' : code == "%0D" ? '\r' : '\n';
            i += 2;
        } else {
            text += field[i];
        }
    }
    return text;
}

Fields SplitFields(std::string_view line) {
    Fields fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(Unescaped(line.substr(start, tab - start)));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

void AddLine(std::string& text, const Fields& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += '\t';
        line += Escaped(fields[i]);
    }
    platform::AppendLine(text, line);
}

std::int64_t NumberOf(const std::string& text) {
    const std::optional<std::uint64_t> number =
        platform::DecimalNumber(text, platform::MAX_DECIMAL_DIGITS);
    return number && *number <= std::uint64_t(INT64_MAX) ? std::int64_t(*number) : -1;
}

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return std::string(text, length);
}

const char* KindWord(ReferenceKind kind) {
    return kind == ReferenceKind::Playlist ? "playlist" : "cue";
}

const char* EntryWord(JournalEntry::Kind kind) {
    switch (kind) {
        case JournalEntry::Kind::Disc:
            return "disc";
        case JournalEntry::Kind::Folder:
            return "folder";
        case JournalEntry::Kind::TakeBack:
            return "takeback";
    }
    return "disc";
}

std::size_t StepCount(const RenamePlan& plan) {
    return plan.moves.size() + plan.rewrites.size() + plan.namedRewrites.size();
}

// Reads a journal's lines into runs and entries.
class JournalParser {
public:
    void Line(std::string_view line);
    JournalContents Finish();

private:
    JournalRun* RunNumbered(std::int64_t number);
    // Entries are found by number: a journal of ten thousand discs marks
    // each one, and a search of the run per mark would read it all again.
    void Keep(JournalRun& run, JournalEntry entry);
    JournalEntry* Entry(JournalRun& run, std::int64_t number);
    void StartEntry(JournalEntry::Kind kind, const Fields& fields);
    void Step(const std::string& kind, const Fields& fields);
    void Ready(const Fields& fields);
    void Mark(const std::string& kind, const Fields& fields);

    JournalContents contents;
    // The entry whose lines are being read: still without its ready line
    // (new format), or taking step lines (old format).
    JournalEntry pending;
    bool havePending = false;
    bool pendingLegacy = false;
    std::vector<std::int64_t> legacyRuns;
    std::map<std::pair<std::int64_t, std::int64_t>, std::size_t> entryIndex;
};

void JournalParser::Keep(JournalRun& run, JournalEntry entry) {
    entryIndex[{run.number, entry.number}] = run.entries.size();
    run.entries.push_back(std::move(entry));
}

JournalEntry* JournalParser::Entry(JournalRun& run, std::int64_t number) {
    const auto found = entryIndex.find({run.number, number});
    return found == entryIndex.end() ? nullptr : &run.entries[found->second];
}

JournalRun* JournalParser::RunNumbered(std::int64_t number) {
    for (JournalRun& run : contents.runs) {
        if (run.number == number) return &run;
    }
    return nullptr;
}

bool IsLegacy(const std::vector<std::int64_t>& legacyRuns, std::int64_t run) {
    return std::find(legacyRuns.begin(), legacyRuns.end(), run) != legacyRuns.end();
}

void JournalParser::StartEntry(JournalEntry::Kind kind, const Fields& fields) {
    if (havePending) {
        // A new-format entry without its ready line was never begun; an
        // old-format one had all its lines written in one piece.
        if (pendingLegacy) {
            if (JournalRun* run = RunNumbered(pending.run)) Keep(*run, pending);
        } else {
            ++contents.unfinishedEntries;
        }
    }
    pending = JournalEntry();
    pending.kind = kind;
    pending.run = NumberOf(fields[1]);
    pending.number = NumberOf(fields[2]);
    pending.subject = fields[3];
    JournalRun* run = RunNumbered(pending.run);
    if (kind == JournalEntry::Kind::TakeBack) {
        pending.takesBack = NumberOf(fields[3]);
        const JournalEntry* taken = run ? Entry(*run, pending.takesBack) : nullptr;
        pending.subject = taken ? taken->subject : std::string();
    }
    havePending = run != nullptr;
    // Take-backs are written in the new format, also for an old run.
    pendingLegacy = kind == JournalEntry::Kind::Disc && IsLegacy(legacyRuns, pending.run);
}

void JournalParser::Step(const std::string& kind, const Fields& fields) {
    if (!havePending) return;
    RenamePlan& plan = pending.plan;
    const bool first = StepCount(plan) == 0;
    if (kind == "move" && fields.size() >= 3) {
        plan.moves.push_back({fields[1], fields[2]});
    } else if (kind == "rewrite" && pendingLegacy && fields.size() >= 5) {
        const ReferenceKind reference =
            fields[1] == "playlist" ? ReferenceKind::Playlist : ReferenceKind::CueSheet;
        auto& named = plan.namedRewrites;
        if (named.empty() || named.back().path != fields[2] || named.back().kind != reference) {
            named.push_back({reference, fields[2], {}, {}, false});
        }
        named.back().renamed.emplace(fields[3], fields[4]);
        if (fields.size() >= 6 && fields[5] == "bare") named.back().bare.insert(fields[3]);
    } else if (kind == "rewrite" && fields.size() >= 7) {
        const ReferenceKind reference =
            fields[1] == "playlist" ? ReferenceKind::Playlist : ReferenceKind::CueSheet;
        const auto size = [&](std::size_t i) {
            return std::uint64_t(std::max<std::int64_t>(0, NumberOf(fields[i])));
        };
        const auto crc = [&](std::size_t i) {
            return std::uint32_t(std::max<std::int64_t>(0, NumberOf(fields[i])));
        };
        plan.rewrites.push_back({reference, fields[2], {size(3), crc(4)}, {size(5), crc(6)}, {}});
    } else if (kind == "edit" && !pendingLegacy && fields.size() >= 4 && !plan.rewrites.empty()) {
        plan.rewrites.back().edits.push_back(
            {std::size_t(std::max<std::int64_t>(0, NumberOf(fields[1]))), fields[2], fields[3]});
        return;
    } else if (kind == "unmoved" && fields.size() >= 3) {
        // An old-format disc's plan as carried out: without the move, and
        // without the names of the file that kept its name.
        std::erase_if(plan.moves, [&](const PlannedMove& move) {
            return move.from == fields[1] && move.to == fields[2];
        });
        const std::string kept = fields[2].substr(fields[2].rfind('/') + 1);
        for (NamedRewrite& named : plan.namedRewrites) {
            std::erase_if(named.renamed, [&](const auto& name) { return name.second == kept; });
        }
        return;
    } else {
        return;
    }
    if (first && StepCount(plan) == 1) plan.rewritesFirst = kind == "rewrite";
}

void JournalParser::Ready(const Fields& fields) {
    if (!havePending || pendingLegacy || fields.size() < 4) return;
    if (NumberOf(fields[1]) != pending.run || NumberOf(fields[2]) != pending.number ||
        NumberOf(fields[3]) != std::int64_t(StepCount(pending.plan))) {
        ++contents.unfinishedEntries;
    } else if (JournalRun* run = RunNumbered(pending.run)) {
        Keep(*run, pending);
    }
    havePending = false;
}

void JournalParser::Mark(const std::string& kind, const Fields& fields) {
    const JournalEntry::State state =
        kind == "done" ? JournalEntry::State::Done : JournalEntry::State::Undone;
    JournalRun* run = RunNumbered(NumberOf(fields[1]));
    if (run == nullptr) return;
    JournalEntry* entry = Entry(*run, NumberOf(fields[2]));
    if (entry == nullptr) return;
    entry->state = state;
    if (state == JournalEntry::State::Done) entry->carriedOut = true;
    // A disc taken back whole is undone.
    if (entry->kind == JournalEntry::Kind::TakeBack && state == JournalEntry::State::Done) {
        if (JournalEntry* taken = Entry(*run, entry->takesBack)) {
            taken->state = JournalEntry::State::Undone;
        }
    }
}

void JournalParser::Line(std::string_view line) {
    const Fields fields = SplitFields(line);
    const std::string& kind = fields[0];
    const bool stepLine =
        kind == "move" || kind == "rewrite" || kind == "edit" || kind == "unmoved";
    if (!stepLine && havePending && pendingLegacy) {
        // An old-format entry ends where its step lines end.
        if (JournalRun* run = RunNumbered(pending.run)) Keep(*run, pending);
        havePending = false;
    }
    if (kind == "run" && fields.size() >= 4) {
        contents.runs.push_back({NumberOf(fields[1]), fields[2], fields[3], {}, false});
        if (fields.size() < 5 || fields[4] != FORMAT)
            legacyRuns.push_back(contents.runs.back().number);
    } else if ((kind == "disc" || kind == "takeback") && fields.size() >= 4) {
        StartEntry(kind == "disc" ? JournalEntry::Kind::Disc : JournalEntry::Kind::TakeBack,
                   fields);
    } else if (kind == "folder" && fields.size() >= 4) {
        const std::int64_t number = NumberOf(fields[1]);
        if (!IsLegacy(legacyRuns, number)) {
            StartEntry(JournalEntry::Kind::Folder, fields);
        } else if (JournalRun* run = RunNumbered(number)) {
            // An old run's folder line records a folder renamed.
            JournalEntry folder;
            folder.kind = JournalEntry::Kind::Folder;
            folder.run = number;
            folder.number = -1 - std::int64_t(run->entries.size());
            folder.subject = fields[2];
            folder.plan.moves.push_back({fields[2], fields[3]});
            folder.state = JournalEntry::State::Done;
            folder.carriedOut = true;
            Keep(*run, std::move(folder));
        }
    } else if (stepLine) {
        Step(kind, fields);
    } else if (kind == "ready") {
        Ready(fields);
    } else if ((kind == "done" || kind == "undone") && fields.size() >= 3) {
        Mark(kind, fields);
    } else if (kind == "undo" && fields.size() >= 2) {
        if (JournalRun* run = RunNumbered(NumberOf(fields[1]))) run->undone = true;
    }
}

JournalContents JournalParser::Finish() {
    if (havePending) {
        if (pendingLegacy) {
            if (JournalRun* run = RunNumbered(pending.run)) Keep(*run, pending);
        } else {
            ++contents.unfinishedEntries;
        }
        havePending = false;
    }
    return std::move(contents);
}

}  // namespace

bool JournalRun::ChangedSomething() const {
    return std::any_of(entries.begin(), entries.end(), [](const JournalEntry& entry) {
        return entry.kind != JournalEntry::Kind::TakeBack && entry.carriedOut &&
               !entry.plan.ChangesNothing();
    });
}

JournalEntry* JournalRun::Find(std::int64_t entry) {
    for (JournalEntry& each : entries) {
        if (each.number == entry) return &each;
    }
    return nullptr;
}

const JournalEntry* JournalRun::Find(std::int64_t entry) const {
    return const_cast<JournalRun*>(this)->Find(entry);
}

std::int64_t JournalRun::LastEntry() const {
    std::int64_t last = 0;
    for (const JournalEntry& entry : entries) last = std::max(last, entry.number);
    return last;
}

std::vector<const JournalRun*> JournalContents::RealRuns() const {
    std::vector<const JournalRun*> real;
    for (const JournalRun& run : runs) {
        if (run.ChangedSomething()) real.push_back(&run);
    }
    return real;
}

JournalContents ParseJournal(std::string_view text) {
    JournalParser parser;
    const std::size_t lastLineEnd = text.rfind('\n');
    const std::string_view whole = lastLineEnd == std::string_view::npos
                                       ? std::string_view()
                                       : text.substr(0, lastLineEnd + 1);
    platform::LineReader lines(whole);
    std::string_view line;
    while (lines.Next(line)) parser.Line(line);
    JournalContents contents = parser.Finish();
    contents.tornTail = whole.size() < text.size();
    return contents;
}

JournalContents ReadJournal(const std::string& path) {
    const platform::SmallFile file = platform::ReadSmallFile(path);
    if (!file.IsRead()) return {};
    return ParseJournal(file.text);
}

RenameJournal::RenameJournal(std::string path, platform::FileLock* lock)
    : path(std::move(path)), lock(lock) {}

RenameJournal::~RenameJournal() = default;

void RenameJournal::BeginRun(const std::string& scanFolder) {
    folder = scanFolder;
    newRun = true;
}

void RenameJournal::ContinueRun(const JournalRun& existing) {
    run = existing.number;
    lastEntry = existing.LastEntry();
    newRun = false;
}

namespace {

// Where the text to keep starts when a new run begins: at the oldest run of
// those kept, or earlier, at a run whose entry is still open (a set that the
// last run could neither finish nor take back must not be forgotten).
std::size_t KeptFrom(std::string_view text, const JournalContents& contents) {
    const std::vector<const JournalRun*> real = contents.RealRuns();
    std::int64_t oldestKept = contents.runs.empty() ? 0 : contents.runs.back().number + 1;
    if (real.size() >= JOURNAL_RUNS_KEPT) {
        oldestKept = real[real.size() - (JOURNAL_RUNS_KEPT - 1)]->number;
    } else {
        return 0;
    }
    for (const JournalRun& run : contents.runs) {
        const bool open = std::any_of(
            run.entries.begin(), run.entries.end(),
            [](const JournalEntry& entry) { return entry.state == JournalEntry::State::Open; });
        if (open) oldestKept = std::min(oldestKept, run.number);
    }
    platform::LineReader lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        if (!line.starts_with("run\t")) continue;
        const Fields fields = SplitFields(line);
        if (fields.size() >= 2 && NumberOf(fields[1]) >= oldestKept) {
            return std::size_t(line.data() - text.data());
        }
    }
    return text.size();
}

}  // namespace

Failure RenameJournal::Open() {
    if (file) return Succeeded();
    if (newRun) {
        const platform::SmallFile text = platform::ReadSmallFile(path);
        if (platform::ExistsUnread(text.outcome)) return {FailureKind::CannotRead, path, {}};
        const JournalContents contents =
            text.IsRead() ? ParseJournal(text.text) : JournalContents();
        run = contents.runs.empty() ? 1 : contents.runs.back().number + 1;
        lastEntry = 0;
        std::string kept = text.text.substr(KeptFrom(text.text, contents));
        // A torn last line is cut off, so that the next line starts afresh.
        if (contents.tornTail)
            kept.erase(kept.rfind('\n') == std::string::npos ? 0 : kept.rfind('\n') + 1);
        if (kept.size() < text.text.size()) {
            errno = 0;
            if (!platform::ReplaceFileContent(path, kept)) {
                return FailureOfErrno(errno != 0 ? errno : EIO, path);
            }
            // The journal is a new file now: the run's lock moves to it.
            if (lock && !lock->Renew()) return {FailureKind::AnotherRun, path, {}};
        }
    }
    file = std::make_unique<platform::AppendFile>(path);
    if (!file->IsOpen()) {
        file.reset();
        return {FailureKind::CannotWrite, path, {}};
    }
    if (newRun) {
        std::string line;
        AddLine(line, {"run", std::to_string(run), UtcNow(), folder, FORMAT});
        Failure failure = Append(line, false);
        if (failure) {
            file.reset();
            return failure;
        }
        newRun = false;
    }
    return Succeeded();
}

Failure RenameJournal::Append(const std::string& text, bool sync) {
    errno = 0;
    if (!file->Append(text) || (sync && !file->Sync())) {
        return FailureOfErrno(errno != 0 ? errno : EIO, path);
    }
    return Succeeded();
}

Failure RenameJournal::Write(JournalEntry& entry) {
    Failure opened = Open();
    if (opened) return opened;
    entry.run = run;
    entry.number = ++lastEntry;
    std::string text;
    AddLine(text, {EntryWord(entry.kind), std::to_string(entry.run), std::to_string(entry.number),
                   entry.kind == JournalEntry::Kind::TakeBack ? std::to_string(entry.takesBack)
                                                              : entry.subject});
    const RenamePlan& plan = entry.plan;
    auto moves = [&] {
        for (const PlannedMove& move : plan.moves) AddLine(text, {"move", move.from, move.to});
    };
    auto rewrites = [&] {
        for (const PlannedRewrite& rewrite : plan.rewrites) {
            AddLine(text, {"rewrite", KindWord(rewrite.kind), rewrite.path,
                           std::to_string(rewrite.before.size), std::to_string(rewrite.before.crc),
                           std::to_string(rewrite.after.size), std::to_string(rewrite.after.crc)});
            for (const platform::TextEdit& edit : rewrite.edits) {
                AddLine(text, {"edit", std::to_string(edit.offset), edit.from, edit.to});
            }
        }
    };
    if (plan.rewritesFirst) {
        rewrites();
        moves();
    } else {
        moves();
        rewrites();
    }
    const std::size_t steps = StepCount(plan);
    AddLine(text, {"ready", std::to_string(entry.run), std::to_string(entry.number),
                   std::to_string(steps)});
    // A kill between the steps of several files would leave a disc half
    // renamed: its plan must be on the disk before the first step.
    return Append(text, steps > 1);
}

Failure RenameJournal::Mark(const JournalEntry& entry, JournalEntry::State state) {
    Failure opened = Open();
    if (opened) return opened;
    std::string text;
    AddLine(text, {state == JournalEntry::State::Done ? "done" : "undone",
                   std::to_string(entry.run), std::to_string(entry.number)});
    return Append(text, false);
}

Failure RenameJournal::MarkRunUndone(std::int64_t undone) {
    Failure opened = Open();
    if (opened) return opened;
    std::string text;
    AddLine(text, {"undo", std::to_string(undone)});
    return Append(text, false);
}
