#include "rename/RenameJournal.h"

#include <algorithm>
#include <ctime>

#include "platform/AppendFile.h"
#include "platform/DecimalText.h"
#include "platform/FileOps.h"
#include "platform/ReadOnlyFile.h"
#include "platform/TextLines.h"

namespace {

using Fields = std::vector<std::string>;

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

std::string JoinFields(const Fields& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += '\t';
        line += Escaped(fields[i]);
    }
    return line;
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
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

JournalDisc* FindDisc(std::vector<JournalRun>& runs, std::int64_t run, std::int64_t disc) {
    for (JournalRun& each : runs) {
        if (each.number != run) continue;
        for (JournalDisc& entry : each.discs) {
            if (entry.number == disc) return &entry;
        }
    }
    return nullptr;
}

// Makes the moves of an interrupted disc that were not made yet, then its
// rewrites; false (having changed nothing) when one of the moves can no
// longer be made: its file is gone, or its new name is taken.
bool Complete(const RenamePlan& plan) {
    for (const PlannedMove& move : plan.moves) {
        const bool moved = platform::NameTaken(move.to) && !platform::NameTaken(move.from);
        const bool movable = platform::NameTaken(move.from) && !platform::NameTaken(move.to);
        if (!moved && !movable && move.from != move.to) return false;
    }
    for (const PlannedMove& move : plan.moves) {
        if (platform::NameTaken(move.from) && !platform::NameTaken(move.to) &&
            !platform::MovePath(move.from, move.to)) {
            return false;
        }
    }
    return std::all_of(plan.rewrites.begin(), plan.rewrites.end(),
                       [](const PlannedRewrite& rewrite) {
                           return ApplyRewrite(rewrite, false) != RewriteResult::Failed;
                       });
}

// Takes back whatever part of a disc's renames was made.
void TakeBack(const RenamePlan& plan) {
    for (const PlannedRewrite& rewrite : plan.rewrites) ApplyRewrite(rewrite, true);
    for (auto move = plan.moves.rbegin(); move != plan.moves.rend(); ++move) {
        if (platform::NameTaken(move->to) && !platform::NameTaken(move->from))
            platform::MovePath(move->to, move->from);
    }
}

// The runs of a journal's text, oldest first.
std::vector<JournalRun> ParseJournal(std::string_view text) {
    std::vector<JournalRun> runs;
    platform::LineReader lines(text);
    std::string_view line;
    JournalDisc* current = nullptr;
    while (lines.Next(line)) {
        const Fields fields = SplitFields(line);
        const std::string& kind = fields[0];
        if (kind == "run" && fields.size() >= 4) {
            runs.push_back({NumberOf(fields[1]), fields[2], fields[3], {}, {}, false});
            current = nullptr;
        } else if (runs.empty()) {
            continue;  // nothing belongs to no run
        } else if (kind == "disc" && fields.size() >= 4) {
            runs.back().discs.push_back({NumberOf(fields[2]), fields[3], {}, {}});
            current = &runs.back().discs.back();
        } else if (kind == "move" && fields.size() >= 3 && current != nullptr) {
            current->plan.moves.push_back({fields[1], fields[2]});
        } else if (kind == "rewrite" && fields.size() >= 5 && current != nullptr) {
            const ReferenceKind reference =
                fields[1] == "playlist" ? ReferenceKind::Playlist : ReferenceKind::CueSheet;
            auto& rewrites = current->plan.rewrites;
            if (rewrites.empty() || rewrites.back().path != fields[2] ||
                rewrites.back().kind != reference) {
                rewrites.push_back({reference, fields[2], {}, {}});
            }
            rewrites.back().renamed.emplace(fields[3], fields[4]);
            if (fields.size() >= 6 && fields[5] == "bare") rewrites.back().bare.insert(fields[3]);
        } else if (kind == "unmoved" && fields.size() >= 3 && current != nullptr) {
            // The disc's plan as carried out: without the move, and without
            // the references to the file that kept its name.
            auto& moves = current->plan.moves;
            std::erase_if(moves, [&](const PlannedMove& move) {
                return move.from == fields[1] && move.to == fields[2];
            });
            KeepReferencesToMoves(current->plan.rewrites, moves);
        } else if ((kind == "done" || kind == "undone") && fields.size() >= 3) {
            if (JournalDisc* disc = FindDisc(runs, NumberOf(fields[1]), NumberOf(fields[2]))) {
                disc->state =
                    kind == "done" ? JournalDisc::State::Done : JournalDisc::State::Undone;
            }
            current = nullptr;
        } else if (kind == "folder" && fields.size() >= 4) {
            for (JournalRun& run : runs) {
                if (run.number == NumberOf(fields[1]))
                    run.folders.push_back({fields[2], fields[3]});
            }
        } else if (kind == "undo" && fields.size() >= 2) {
            for (JournalRun& run : runs) {
                if (run.number == NumberOf(fields[1])) run.undone = true;
            }
        }
    }
    return runs;
}

}  // namespace

std::vector<JournalRun> ReadJournal(const std::string& path) {
    const platform::SmallFile file = platform::ReadSmallFile(path);
    if (!file.IsRead()) return {};
    return ParseJournal(file.text);
}

std::vector<InterruptedDisc> FinishInterruptedDiscs(const std::string& path) {
    std::vector<InterruptedDisc> finished;
    std::string marks;
    for (const JournalRun& run : ReadJournal(path)) {
        for (const JournalDisc& disc : run.discs) {
            if (disc.state != JournalDisc::State::Open) continue;
            const bool completed = Complete(disc.plan);
            if (!completed) TakeBack(disc.plan);
            finished.push_back({disc.disc, completed});
            platform::AppendLine(
                marks, JoinFields({completed ? "done" : "undone", std::to_string(run.number),
                                   std::to_string(disc.number)}));
        }
    }
    if (!marks.empty()) {
        platform::AppendFile journal(path);
        journal.Append(marks);
        journal.Sync();
    }
    return finished;
}

RenameJournal::RenameJournal(std::string path) : path(std::move(path)) {}

RenameJournal::~RenameJournal() = default;

void RenameJournal::BeginRun(const std::string& scanFolder) {
    folder = scanFolder;
}

bool RenameJournal::StartEntry() {
    // Read once: the runs are counted and the old ones cut from the same text.
    const platform::SmallFile text = platform::ReadSmallFile(path);
    const std::vector<JournalRun> runs =
        text.IsRead() ? ParseJournal(text.text) : std::vector<JournalRun>();
    run = runs.empty() ? 1 : runs.back().number + 1;
    if (runs.size() >= JOURNAL_RUNS_KEPT) {
        // Keep the newest runs: the text from the first run line kept on.
        std::size_t runLines = 0;
        const std::size_t drop = runs.size() - (JOURNAL_RUNS_KEPT - 1);
        std::size_t keepFrom = text.text.size();
        platform::LineReader lines(text.text);
        std::string_view line;
        while (lines.Next(line)) {
            if (!line.starts_with("run\t")) continue;
            if (runLines++ == drop) {
                keepFrom = std::size_t(line.data() - text.text.data());
                break;
            }
        }
        if (!platform::ReplaceFileContent(path, text.text.substr(keepFrom))) {
            failed = true;
            return false;
        }
    }
    file = std::make_unique<platform::AppendFile>(path);
    failed = !file->IsOpen();
    return !failed;
}

bool RenameJournal::Ready() {
    if (!file && !failed && StartEntry()) {
        Write({{"run", std::to_string(run), UtcNow(), folder}}, false);
    }
    return !failed;
}

void RenameJournal::BeginDisc(const std::string& discPath, const RenamePlan& plan) {
    ++disc;
    if (!Ready()) return;
    std::vector<Fields> lines{{"disc", std::to_string(run), std::to_string(disc), discPath}};
    for (const PlannedMove& move : plan.moves) lines.push_back({"move", move.from, move.to});
    for (const PlannedRewrite& rewrite : plan.rewrites) {
        for (const auto& [from, to] : rewrite.renamed) {
            lines.push_back({"rewrite",
                             rewrite.kind == ReferenceKind::Playlist ? "playlist" : "cue",
                             rewrite.path, from, to});
            if (rewrite.bare.contains(from)) lines.back().push_back("bare");
        }
    }
    // A kill between the moves of several files would leave a disc half
    // renamed: its plan must be on the disk before the first move.
    Write(lines, plan.moves.size() > 1 || !plan.rewrites.empty());
}

void RenameJournal::EndDisc(bool done, const std::vector<PlannedMove>& unmoved) {
    if (!Ready()) return;
    std::vector<Fields> lines;
    for (const PlannedMove& move : unmoved) lines.push_back({"unmoved", move.from, move.to});
    lines.push_back({done ? "done" : "undone", std::to_string(run), std::to_string(disc)});
    Write(lines, false);
}

void RenameJournal::AddFolder(const PlannedMove& move) {
    if (!Ready()) return;
    Write({{"folder", std::to_string(run), move.from, move.to}}, false);
}

void RenameJournal::Write(const std::vector<Fields>& lines, bool sync) {
    if (failed || !file) {
        failed = true;
        return;
    }
    std::string text;
    for (const Fields& fields : lines) platform::AppendLine(text, JoinFields(fields));
    if (!file->Append(text) || (sync && !file->Sync())) failed = true;
}

bool MarkRunUndone(const std::string& path, std::int64_t run) {
    platform::AppendFile journal(path);
    return journal.AppendLine(JoinFields({"undo", std::to_string(run)})) && journal.Close();
}

bool MarkDiscUndone(const std::string& path, std::int64_t run, std::int64_t disc) {
    platform::AppendFile journal(path);
    return journal.AppendLine(JoinFields({"undone", std::to_string(run), std::to_string(disc)})) &&
           journal.Close();
}
