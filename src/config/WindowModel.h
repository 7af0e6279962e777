#pragma once

// The configuration layer: key/section documents, the settings and presets
// of the window, and the language texts.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "config/ControlIndexes.h"
#include "config/KeyedTextDocument.h"
#include "core/RunOptions.h"

class KelCurrentDirectory;

inline constexpr const char* SETTINGS_HEADER = "[Orvane setting file Ver1]";
inline constexpr const char* PRESET_HEADER = "[Orvane preset file Ver1]";
inline constexpr const char* SETTINGS_FILE = "Setting.ini";
inline constexpr const char* PRESET_FOLDER = "preset";
// The preset that keeps the window's state when the user has made none.
inline constexpr const char* DEFAULT_PRESET = "Default";

// Everything the main window remembers, without the window: the texts, check
// states and selections of its controls, the preset and language lists, and
// the operations that save and load them in Setting.ini, the preset files
// and the language files of the start-up directory. The Qt window binds its
// controls to this model; the terminal front end uses it as it is.
class WindowModel {
public:
    explicit WindowModel(const KelCurrentDirectory& startDirectory);

    // The state of the controls.
    std::array<std::string, EDIT_COUNT> edits;
    std::array<int, CHECK_COUNT> checks{};
    int systemSelection = -1;
    std::vector<std::string> presetList;
    int presetSelection = -1;
    std::vector<std::string> languageList;
    int languageSelection = -1;
    std::vector<std::string> driveList;
    int driveSelection = -1;
    std::string currentPreset;
    std::string currentLanguage;

    // Called after a language was applied, so the window can set its captions.
    std::function<void()> onLanguageApplied;

    // What the controls ask of a run, by name.
    RunOptions Options() const;

    // The text of the current language, empty when absent.
    const std::string& LanguageText(const std::string& section, const std::string& key) const;
    const KeyedTextDocument& LanguageTexts() const { return languageTexts; }

    // False when the preset could not be written.
    bool SavePreset(const std::string& name);
    void LoadPreset(const std::string& name);
    void RefreshPresetList();
    // Stores the state as a new preset and makes it the one in use; false,
    // with nothing changed, when it could not be written.
    bool AddPreset(const std::string& name);
    // Deletes the selected preset when `confirm` (given the question to ask)
    // says yes.
    void DeletePreset(const std::function<bool(const std::string&)>& confirm);
    // False when the state could not be stored in the preset being left.
    bool SelectPreset(int index);

    // Stores the state in the current preset (in "Default" when there is no
    // preset yet) and in Setting.ini; the full paths of the files that could
    // not be written.
    std::vector<std::string> SaveSettings();
    // The window takes the first *.csv of the start-up directory when the
    // settings name no existing database; orvane-cli never picks one.
    enum class DefaultDatabase { FirstCsv, None };
    void LoadSettings(DefaultDatabase defaultDatabase = DefaultDatabase::FirstCsv);
    void ChooseDefaultDatabase();
    void FillDriveList();

    void RefreshLanguageList();
    void ApplyLanguage(const std::string& name);
    void SelectLanguage(int index);

    // The text of the selected entry of a list, empty when none is selected.
    static std::string Selected(const std::vector<std::string>& list, int selection);

    // Presets are files named after the preset: a name that cannot be a
    // file name of that folder is never used to write or delete anything.
    static bool IsUsablePresetName(const std::string& name);
    // The full path of a preset's file.
    std::string PresetFile(const std::string& name) const;

private:
    std::string PresetPath(const std::string& name) const;
    // Refills the preset list and selects the preset in use, loading nothing.
    void ListPresets();
    void MakeStartDirectoryCurrent() const;

    const KelCurrentDirectory& startDirectory;
    KeyedTextDocument languageTexts;
};
