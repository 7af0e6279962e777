#include "cli/CommandLine.h"

#include <map>
#include <string_view>

#include "config/ControlIndexes.h"
#include "platform/DecimalText.h"
#include "platform/FileOps.h"

const char* const USAGE_TEXT =
    "Usage: orvane-cli rename|list|add-record [options]\n"
    "       orvane-cli rename -n|--dry-run [options]\n"
    "       orvane-cli rename --verified-only --dat FILE... [options]\n"
    "       orvane-cli import-dat FILE... --system PS1|PS2|PSP [options]\n"
    "       orvane-cli undo [--run N] [-n|--dry-run] [--json]\n"
    "       orvane-cli verify --folder DIR --system PS1|PS2|PSP --dat FILE...\n"
    "                  [--subfolders] [--json] [--report FILE.csv]\n"
    "\n"
    "Identifies and renames PlayStation, PlayStation 2 and PSP disc images, as the\n"
    "window does. The current directory is the start-up directory: Setting.ini,\n"
    "preset/, language/, the inventory lists and the logs are there.\n"
    "\n"
    "Commands:\n"
    "  rename        identify and rename every disc image of the folder\n"
    "  list          append a database line for every disc of the folder\n"
    "  add-record    merge the add file into the database file\n"
    "  import-dat    merge the games of DAT files (clrmamepro or Logiqx XML) into\n"
    "                the database file, one record per serial\n"
    "  undo          take back the last rename run (--run N: the Nth counting\n"
    "                back) from RenameJournal.txt; never replaces a file\n"
    "  verify        check every disc of the folder against the sizes, CRC-32 and\n"
    "                SHA-1 of the DATs' tracks (CHD, CSO and archives in place);\n"
    "                one line per disc: verified, mismatch, incomplete, not in\n"
    "                DAT or unreadable. Hashes are cached in VerifyCache.sqlite\n"
    "                of $XDG_DATA_HOME/orvane (~/.local/share/orvane); nothing\n"
    "                is written beside the images\n"
    "\n"
    "Options (each overrides what Setting.ini and the current preset hold):\n"
    "  --folder DIR          folder to scan\n"
    "  --formula TEXT        renaming formula, e.g. \"%n [%i]\"; one that is empty,\n"
    "                        holds a placeholder of no field (%x) or is cut short\n"
    "                        (\"%n [%i\") is refused\n"
    "  --database FILE       game database file; never guessed: without it here,\n"
    "                        Setting.ini must name one (--save keeps it there)\n"
    "  --add-file FILE       database file that add-record merges in\n"
    "  --list-format TEXT    have/miss list line formula (not needed by --dry-run)\n"
    "  --system PS1|PS2|PSP  system of the discs\n"
    "  --preset NAME         use this preset (created by --save when new; without\n"
    "                        presets, --save keeps the state in the preset Default)\n"
    "  --language NAME       language of the messages (a file of language/)\n"
    "  --check N=0|1         check box N (0..11), or by its name:\n"
    "  --subfolders[=0|1]    scan sub-folders (check 0)\n"
    "  --rename-folders[=0|1] rename the folders of renamed images (check 1)\n"
    "  --checksum[=0|1]      try the whole image's CRC-32 first (check 2)\n"
    "  --add-priority[=0|1]  add-record, import-dat: the added records win (check 3)\n"
    "  --search-archives[=0|1] list: look into archives (check 4)\n"
    "  --full-width-special[=0|1] changes nothing; kept for presets (check 5)\n"
    "  --full-width-digits[=0|1] digits of names in full width, ASCII ones too\n"
    "                        (check 6); off, the default: in half width\n"
    "  --full-width-letters[=0|1] the same for letters and kana (check 7)\n"
    "  --full-width-spaces[=0|1] the same for blanks (check 8)\n"
    "  --full-width-punctuation[=0|1] the same for punctuation (check 9)\n"
    "  --dates[=0|1]         date renamed files and folders by release (check 10)\n"
    "  --batch[=0|1]         write RenameBatch.bat (check 11)\n"
    "  --save                store the state in the preset and Setting.ini first\n"
    "  -n, --dry-run         rename, undo: change nothing, print the plan on stdout\n"
    "                        (lines of TAB-separated fields: rename OLD NEW,\n"
    "                        rewrite FILE, folder OLD NEW, skip PATH REASON)\n"
    "  --json                rename, list, undo, verify: instead, one JSON object\n"
    "                        per line on stdout for each disc and folder (result,\n"
    "                        reason, identifier, the old and new full path of\n"
    "                        every file), then the summary\n"
    "  --run N               undo: the run to take back, 1 the last (default)\n"
    "  --dat FILE            verify, --verified-only: a DAT (clrmamepro or Logiqx\n"
    "                        XML) with the tracks' hashes; repeatable\n"
    "  --verified-only       rename: rename only the discs that verify against the\n"
    "                        --dat files (as verify does, with its cache)\n"
    "  --report FILE.csv     verify: one row per disc (path, serial, DAT name,\n"
    "                        status, detail), then the DAT games the folder lacks\n"
    "  -q, --quiet           print nothing but errors\n"
    "  -v, --verbose         also print a status line for each step of the run\n"
    "  -h, --help, --version\n"
    "\n"
    "Stdout holds the plan or the JSON objects and nothing else. Stderr holds\n"
    "errors, as \"orvane-cli: <what>: <path or option>\", messages, and at the end\n"
    "one summary line that names the error log and the have/miss lists when the\n"
    "run added to them; a progress bar when stderr is a terminal (not with\n"
    "TERM=dumb). Ctrl-C, SIGTERM and SIGHUP stop the run after the current disc;\n"
    "a second one ends it at once.\n"
    "\n"
    "Exit status:\n"
    "  0    done\n"
    "  1    done, but a file could not be written (lists, log, batch, settings);\n"
    "       a failed --save runs nothing; undo: some files stay renamed (see skip)\n"
    "  2    an input check failed: nothing was done (no database given, a refused\n"
    "       formula, a folder that is none...; undo: no run to take back)\n"
    "  3    nothing matched: the folder's discs are none of them in the database\n"
    "       (is the system right?), or only unscanned sub-folders hold files\n"
    "  64   usage error\n"
    "  130  stopped by Ctrl-C (143 SIGTERM, 129 SIGHUP), after the clean stop\n"
    "  verify: 0 every disc verified, 1 any other outcome (or the report could\n"
    "       not be written), 2 the folder or a DAT could not be read\n";

namespace {

const std::map<std::string, CommandLine::Command> COMMANDS = {
    {"rename", CommandLine::Command::Rename},
    {"list", CommandLine::Command::List},
    {"add-record", CommandLine::Command::AddRecord},
    {"import-dat", CommandLine::Command::ImportDat},
    {"undo", CommandLine::Command::Undo},
    {"verify", CommandLine::Command::Verify},
};

// undo --run takes at most this many digits: the journal keeps a few runs.
constexpr std::size_t MAX_RUN_DIGITS = 6;

std::optional<std::int64_t> RunNumber(const std::string& text) {
    const auto value = platform::DecimalNumber(text, MAX_RUN_DIGITS);
    return value && *value > 0 ? std::optional<std::int64_t>(*value) : std::nullopt;
}

const std::map<std::string, int> EDIT_OPTIONS = {
    {"--folder", EDIT_FOLDER},           {"--formula", EDIT_FORMULA},
    {"--database", EDIT_DATABASE},       {"--add-file", EDIT_ADD_DATABASE},
    {"--list-format", EDIT_LIST_FORMAT},
};

const std::map<std::string, int> CHECK_ALIASES = {
    {"--subfolders", CHECK_SUBFOLDERS},
    {"--rename-folders", CHECK_RENAME_FOLDERS},
    {"--checksum", CHECK_IMAGE_CHECKSUM},
    {"--add-priority", CHECK_ADD_PRIORITY},
    {"--search-archives", CHECK_SEARCH_ARCHIVES},
    {"--full-width-special", CHECK_FULLWIDTH_SPECIAL},
    {"--full-width-digits", CHECK_FULLWIDTH_DIGITS},
    {"--full-width-letters", CHECK_FULLWIDTH_LETTERS},
    {"--full-width-spaces", CHECK_FULLWIDTH_SPACES},
    {"--full-width-punctuation", CHECK_FULLWIDTH_PUNCTUATION},
    {"--dates", CHECK_SET_TIMES},
    {"--batch", CHECK_WRITE_BATCH},
};

// The short options, which take no value and may be written together (-nv).
constexpr std::string_view SHORT_FLAGS = "hnqv";

std::optional<int> CheckState(const std::string& text) {
    if (text == "0") return 0;
    if (text == "1") return 1;
    return std::nullopt;
}

std::optional<int> CheckNumber(const std::string& text) {
    const auto value = platform::DecimalNumber(text, 2);
    return value && *value < CHECK_COUNT ? std::optional<int>(int(*value)) : std::nullopt;
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error) {
    CommandLine line;
    bool quiet = false;
    bool verbose = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        if (name.size() > 1 && name[0] == '-' && name[1] != '-' &&
            name.find_first_not_of(SHORT_FLAGS, 1) == std::string::npos) {
            line.help = line.help || name.find('h') != std::string::npos;
            line.dryRun = line.dryRun || name.find('n') != std::string::npos;
            quiet = quiet || name.find('q') != std::string::npos;
            verbose = verbose || name.find('v') != std::string::npos;
            continue;
        }
        std::optional<std::string> inlineValue;
        const std::size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name.erase(equals);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        auto missing = [&] {
            error = name + " needs a value";
            return std::nullopt;
        };

        if (const auto command = COMMANDS.find(name); command != COMMANDS.end()) {
            if (line.command != CommandLine::Command::None) {
                error = "more than one command: " + name;
                return std::nullopt;
            }
            line.command = command->second;
        } else if (name == "--help") {
            line.help = true;
        } else if (name == "--quiet") {
            quiet = true;
        } else if (name == "--verbose") {
            verbose = true;
        } else if (name == "--json") {
            line.json = true;
        } else if (name == "--version") {
            line.version = true;
        } else if (name == "--save") {
            line.save = true;
        } else if (name == "--dry-run") {
            line.dryRun = true;
        } else if (name == "--run") {
            const auto text = value();
            if (!text) return missing();
            line.undoRun = RunNumber(*text);
            if (!line.undoRun) {
                error = "--run takes a run counting back, 1 for the last: " + *text;
                return std::nullopt;
            }
        } else if (name == "--dat" || name == "--report") {
            const auto text = value();
            if (!text) return missing();
            if (name == "--dat") {
                line.verifyDats.push_back(*text);
            } else {
                line.reportFile = *text;
            }
        } else if (name == "--verified-only") {
            line.verifiedOnly = true;
        } else if (const auto edit = EDIT_OPTIONS.find(name); edit != EDIT_OPTIONS.end()) {
            const auto text = value();
            if (!text) return missing();
            line.edits.emplace_back(edit->second, *text);
        } else if (name == "--preset" || name == "--language") {
            const auto text = value();
            if (!text) return missing();
            // A preset is a file named after it: a name that could not be one
            // would read or write some other file.
            if (name == "--preset" && !platform::IsPlainName(*text)) {
                error = "--preset takes a name that can be a file name: '" + *text + "'";
                return std::nullopt;
            }
            (name == "--preset" ? line.preset : line.language) = *text;
        } else if (name == "--system") {
            const auto text = value();
            if (!text) return missing();
            if (*text == "PS1" || *text == "PS2" || *text == "PSP") {
                line.systemSelection = *text == "PS1" ? 0 : *text == "PS2" ? 1 : 2;
            } else {
                error = "--system takes PS1, PS2 or PSP: " + *text;
                return std::nullopt;
            }
        } else if (name == "--check") {
            const auto text = value();
            if (!text) return missing();
            const std::size_t split = text->find('=');
            const auto number = CheckNumber(text->substr(0, split));
            const auto state =
                split == std::string::npos ? std::nullopt : CheckState(text->substr(split + 1));
            if (!number || !state) {
                error = "--check takes N=0 or N=1 with N from 0 to 11: " + *text;
                return std::nullopt;
            }
            line.checks.emplace_back(*number, *state);
        } else if (const auto alias = CHECK_ALIASES.find(name); alias != CHECK_ALIASES.end()) {
            const auto state = inlineValue ? CheckState(*inlineValue) : std::optional<int>(1);
            if (!state) {
                error = name + " takes =0 or =1: " + *inlineValue;
                return std::nullopt;
            }
            line.checks.emplace_back(alias->second, *state);
        } else if (!name.starts_with('-')) {
            line.datFiles.push_back(name);
        } else {
            error = "unknown argument: " + arguments[i];
            return std::nullopt;
        }
    }
    if (line.command == CommandLine::Command::ImportDat && !line.help && !line.version) {
        // A DAT is of one system, and a saved choice may be another's.
        if (line.datFiles.empty() || !line.systemSelection) {
            error = "import-dat takes DAT files and --system PS1|PS2|PSP";
            return std::nullopt;
        }
    } else if (!line.datFiles.empty()) {
        error = "unknown argument " + line.datFiles.front();
        return std::nullopt;
    }
    if (line.command == CommandLine::Command::None && !line.help && !line.version) {
        error = "no command given";
        return std::nullopt;
    }
    const bool undo = line.command == CommandLine::Command::Undo;
    if (line.command == CommandLine::Command::Verify && !line.help && !line.version) {
        // Verify reads the folder and the DATs it is given, and nothing of
        // the saved state.
        bool onlyFolder = line.edits.size() == 1 && line.edits.front().first == EDIT_FOLDER;
        for (const auto& [index, state] : line.checks)
            onlyFolder = onlyFolder && index == CHECK_SUBFOLDERS;
        if (!onlyFolder || line.verifyDats.empty() || !line.systemSelection || line.save ||
            line.preset || line.language || line.dryRun || line.undoRun) {
            error =
                "verify takes --folder DIR, --system PS1|PS2|PSP, --dat FILE..., and "
                "--subfolders, --json, --report FILE";
            return std::nullopt;
        }
    } else if (line.verifiedOnly) {
        if (line.command != CommandLine::Command::Rename || line.verifyDats.empty() ||
            line.reportFile) {
            error = "--verified-only goes with rename and takes --dat FILE...";
            return std::nullopt;
        }
    } else if (!line.verifyDats.empty() || line.reportFile) {
        error = "--dat and --report go with verify";
        return std::nullopt;
    }
    if (line.dryRun && !undo && line.command != CommandLine::Command::Rename) {
        error = "--dry-run goes with rename or undo";
        return std::nullopt;
    }
    if (line.json && !undo && line.command != CommandLine::Command::Rename &&
        line.command != CommandLine::Command::List &&
        line.command != CommandLine::Command::Verify) {
        error = "--json goes with rename, list, undo or verify";
        return std::nullopt;
    }
    if (quiet && verbose) {
        error = "--quiet and --verbose ask for opposite things";
        return std::nullopt;
    }
    line.verbosity = quiet ? Verbosity::Quiet : verbose ? Verbosity::Verbose : Verbosity::Normal;
    if (line.undoRun && !undo) {
        error = "--run goes with undo";
        return std::nullopt;
    }
    // A dry run writes nothing, the configuration neither.
    if (line.dryRun && line.save) {
        error = "--dry-run writes nothing: --save cannot go with it";
        return std::nullopt;
    }
    // Undo reads the journal of the start-up directory and nothing else.
    if (undo && (line.save || line.preset || line.language || line.systemSelection ||
                 !line.edits.empty() || !line.checks.empty())) {
        error = "undo takes only --run, --dry-run, --json, --quiet and --verbose";
        return std::nullopt;
    }
    return line;
}
