#include "config/WindowModel.h"

#include <boost/lexical_cast.hpp>
#include <optional>

#include "config/Language.h"
#include "config/NamedFiles.h"
#include "platform/AsciiCase.h"
#include "platform/FileOps.h"
#include "platform/FileSearch.h"
#include "platform/KelCurrentDirectory.h"

namespace {

// A preset value as the whole of an optionally signed decimal number; a
// hand-edited or foreign value gives nothing, and the caller's default holds.
std::optional<int> StrictInteger(const std::string& text) {
    try {
        return boost::lexical_cast<int>(text);
    } catch (const boost::bad_lexical_cast&) {
        return std::nullopt;
    }
}

const char* const DRIVE_FOLDER = "/sys/class/block";

}  // namespace

RunOptions WindowModel::Options() const {
    RunOptions options;
    options.folder = edits[EDIT_FOLDER];
    options.formula = edits[EDIT_FORMULA];
    options.database = edits[EDIT_DATABASE];
    options.addFile = edits[EDIT_ADD_DATABASE];
    options.driveTool = edits[EDIT_DRIVE_TOOL];
    options.listFormula = edits[EDIT_LIST_FORMAT];
    options.driveText = Selected(driveList, driveSelection);
    options.system = SystemIndex(systemSelection);
    const auto ticked = [this](CheckIndex index) { return checks[index] == 1; };
    options.scanSubfolders = ticked(CHECK_SUBFOLDERS);
    options.renameFolders = ticked(CHECK_RENAME_FOLDERS);
    options.imageChecksum = ticked(CHECK_IMAGE_CHECKSUM);
    options.addPriority = ticked(CHECK_ADD_PRIORITY);
    options.searchArchives = ticked(CHECK_SEARCH_ARCHIVES);
    options.fullWidthSpecial = ticked(CHECK_FULLWIDTH_SPECIAL);
    options.fullWidthDigits = ticked(CHECK_FULLWIDTH_DIGITS);
    options.fullWidthLetters = ticked(CHECK_FULLWIDTH_LETTERS);
    options.fullWidthSpaces = ticked(CHECK_FULLWIDTH_SPACES);
    options.fullWidthPunctuation = ticked(CHECK_FULLWIDTH_PUNCTUATION);
    options.setTimes = ticked(CHECK_SET_TIMES);
    options.writeBatch = ticked(CHECK_WRITE_BATCH);
    return options;
}

WindowModel::WindowModel(const KelCurrentDirectory& startDirectory)
    : startDirectory(startDirectory), languageTexts(LANGUAGE_HEADER) {
    languageTexts.LoadText(config::BuiltInEnglishText());
}

const std::string& WindowModel::LanguageText(const std::string& section,
                                             const std::string& key) const {
    return languageTexts.Get(section, key);
}

std::string WindowModel::Selected(const std::vector<std::string>& list, int selection) {
    return (selection >= 0 && std::size_t(selection) < list.size()) ? list[std::size_t(selection)]
                                                                    : std::string();
}

bool WindowModel::IsUsablePresetName(const std::string& name) {
    return platform::IsPlainName(name);
}

std::string WindowModel::PresetPath(const std::string& name) const {
    return std::string(PRESET_FOLDER) + "/" + name + ".ini";
}

std::string WindowModel::PresetFile(const std::string& name) const {
    return startDirectory.Directory() + "/" + PresetPath(name);
}

void WindowModel::MakeStartDirectoryCurrent() const {
    startDirectory.MakeCurrent();
}

bool WindowModel::SavePreset(const std::string& name) {
    if (!IsUsablePresetName(name)) return false;
    MakeStartDirectoryCurrent();
    KeyedTextDocument preset(PRESET_HEADER);
    preset.Set("EditBox", "0", edits[EDIT_FOLDER]);
    preset.Set("EditBox", "1", edits[EDIT_FORMULA]);
    for (int i = 0; i < CHECK_COUNT; ++i) {
        preset.Set("CheckBox", std::to_string(i), std::to_string(checks[std::size_t(i)]));
    }
    preset.Set("ListBox", "MACHINE", std::to_string(systemSelection));
    return preset.Save(PresetPath(name));
}

void WindowModel::LoadPreset(const std::string& name) {
    MakeStartDirectoryCurrent();
    KeyedTextDocument preset(PRESET_HEADER);
    if (IsUsablePresetName(name)) preset.Load(PresetPath(name));
    edits[EDIT_FOLDER] = preset.Get("EditBox", "0");
    edits[EDIT_FORMULA] = preset.Get("EditBox", "1");
    for (int i = 0; i < CHECK_COUNT; ++i) {
        checks[std::size_t(i)] =
            StrictInteger(preset.Get("CheckBox", std::to_string(i))).value_or(0);
    }
    const int machine = StrictInteger(preset.Get("ListBox", "MACHINE")).value_or(-1);
    systemSelection = (machine >= 0 && machine <= 2) ? machine : -1;
}

void WindowModel::ListPresets() {
    presetList = config::ListFileTitles(PRESET_FOLDER);
    presetSelection = config::SelectRemembered(presetList, currentPreset, config::NameMatch::Exact);
}

void WindowModel::RefreshPresetList() {
    MakeStartDirectoryCurrent();
    ListPresets();
    if (presetSelection < 0) return;
    LoadPreset(currentPreset);
}

bool WindowModel::AddPreset(const std::string& name) {
    // A name that cannot be a file name stores nothing and changes nothing.
    if (!IsUsablePresetName(name)) return false;
    MakeStartDirectoryCurrent();
    // Adding a preset is the user asking for one: the folder may not exist yet.
    platform::MakeFolder(PRESET_FOLDER);
    // Only a preset that is on disk becomes the one in use: the list would
    // otherwise select another preset and load its settings over these.
    if (!SavePreset(name)) return false;
    currentPreset = name;
    RefreshPresetList();
    return true;
}

void WindowModel::DeletePreset(const std::function<bool(const std::string&)>& confirm) {
    if (presetList.empty()) return;
    const std::string name = Selected(presetList, presetSelection);
    const std::string question = LanguageText("MessageBox", "PRESET_DELETE_1") + name +
                                 LanguageText("MessageBox", "PRESET_DELETE_2");
    if (!confirm(question)) return;
    MakeStartDirectoryCurrent();
    if (IsUsablePresetName(name)) platform::DeleteFile(PresetPath(name));
    RefreshPresetList();
}

bool WindowModel::SelectPreset(int index) {
    if (presetList.empty() || index < 0 || std::size_t(index) >= presetList.size()) return true;
    const bool stored = SavePreset(currentPreset);
    presetSelection = index;
    currentPreset = presetList[std::size_t(index)];
    LoadPreset(currentPreset);
    return stored;
}

std::vector<std::string> WindowModel::SaveSettings() {
    std::vector<std::string> unwritten;
    MakeStartDirectoryCurrent();
    // The folder, formula, check boxes and system live only in presets; with
    // none they would be forgotten at every restart.
    const bool firstPreset = presetList.empty();
    if (firstPreset) {
        platform::MakeFolder(PRESET_FOLDER);
        currentPreset = DEFAULT_PRESET;
    }
    if (!SavePreset(currentPreset)) {
        unwritten.push_back(PresetFile(currentPreset));
    } else if (firstPreset) {
        ListPresets();
    }
    KeyedTextDocument settings(SETTINGS_HEADER);
    for (int i = EDIT_DATABASE; i <= EDIT_LIST_FORMAT; ++i) {
        settings.Set("General", "EDIT" + std::to_string(i), edits[std::size_t(i)]);
    }
    settings.Set("General", "CurrentPreset", currentPreset);
    settings.Set("General", "Language", currentLanguage);
    settings.Set("General", "DaemonDrive", Selected(driveList, driveSelection));
    if (!settings.Save(SETTINGS_FILE)) {
        unwritten.push_back(startDirectory.Directory() + "/" + SETTINGS_FILE);
    }
    return unwritten;
}

void WindowModel::LoadSettings(DefaultDatabase defaultDatabase) {
    MakeStartDirectoryCurrent();
    KeyedTextDocument settings(SETTINGS_HEADER);
    settings.Load(SETTINGS_FILE);
    for (int i = EDIT_DATABASE; i <= EDIT_LIST_FORMAT; ++i) {
        edits[std::size_t(i)] = settings.Get("General", "EDIT" + std::to_string(i));
    }
    if (defaultDatabase == DefaultDatabase::FirstCsv) ChooseDefaultDatabase();
    currentPreset = settings.Get("General", "CurrentPreset");
    RefreshPresetList();
    currentLanguage = settings.Get("General", "Language");
    RefreshLanguageList();

    FillDriveList();
    const std::string& drive = settings.Get("General", "DaemonDrive");
    driveSelection = driveList.empty() ? -1 : 0;
    for (std::size_t k = 1; k <= driveList.size(); ++k) {
        const std::size_t i = k % driveList.size();  // the second entry first, the first last
        if (platform::StartsWithIgnoreCase(driveList[i], drive)) {
            driveSelection = int(i);
            break;
        }
    }
}

void WindowModel::ChooseDefaultDatabase() {
    MakeStartDirectoryCurrent();
    if (platform::IsExistingFile(edits[EDIT_DATABASE])) return;
    edits[EDIT_DATABASE].clear();
    const std::string& folder = startDirectory.Directory();
    for (const platform::FoundEntry& entry : platform::FindEntries(folder, "", "*.csv")) {
        if (entry.isFolder) continue;
        edits[EDIT_DATABASE] = folder + "/" + entry.name;
        return;
    }
}

void WindowModel::FillDriveList() {
    driveList.clear();
    for (const platform::FoundEntry& entry : platform::FindEntries(DRIVE_FOLDER, "sr", "*")) {
        driveList.push_back("/dev/" + entry.name);
    }
    driveSelection = driveList.empty() ? -1 : driveSelection;
}

void WindowModel::RefreshLanguageList() {
    MakeStartDirectoryCurrent();
    languageList = config::ListFileTitles(config::LanguageFolder(startDirectory.Directory()));
    languageSelection =
        config::SelectRemembered(languageList, currentLanguage, config::NameMatch::Prefix);
    if (languageSelection < 0) return;
    ApplyLanguage(currentLanguage);
}

void WindowModel::ApplyLanguage(const std::string& name) {
    MakeStartDirectoryCurrent();
    if (platform::IsPlainName(name)) {
        config::LoadLanguage(languageTexts, config::LanguageFolder(startDirectory.Directory()),
                             name);
    }
    if (onLanguageApplied) onLanguageApplied();
}

void WindowModel::SelectLanguage(int index) {
    if (index < 0 || std::size_t(index) >= languageList.size()) return;
    languageSelection = index;
    currentLanguage = languageList[std::size_t(index)];
    ApplyLanguage(currentLanguage);
}
