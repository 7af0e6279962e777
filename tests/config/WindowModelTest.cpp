#include "config/WindowModel.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <tuple>

#include "config/Language.h"
#include "platform/FileOps.h"
#include "platform/KelCurrentDirectory.h"
#include "platform/ReadOnlyFile.h"
#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

using testsupport::ListNames;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const std::string PRESET = "[Orvane preset file Ver1]\r\n";
const std::string SETTINGS = "[Orvane setting file Ver1]\r\n";
const std::string LANGUAGE = "[Orvane language file Ver1]\r\n";

// A start-up directory of its own, current while the test runs.
class StartDirectory {
public:
    StartDirectory() : current(dir.Path()) {}
    std::string operator/(const std::string& name) const { return dir / name; }
    const std::string& Path() const { return dir.Path(); }

private:
    TempDir dir;
    testsupport::ScopedCurrentDirectory current;

public:
    KelCurrentDirectory captured;
};

void FillState(WindowModel& model) {
    model.edits = {"/data/Images", "%n [%i]", "games.csv", "more.csv", "/opt/tool", "%n"};
    model.checks = {1, 0, 1, 0, 1, 0, 0, 1, 0, 0, 1, 1};
    model.systemSelection = 1;
}

}  // namespace

// Without a language folder of its own, the start-up directory uses the one
// installed beside the executables (English and Japanese).
TEST(WindowModel, SettingsAndPresetsSurviveARestart) {
    StartDirectory start;
    MakeDirs(start / "preset");
    WriteFile(start / "games.csv", "");
    {
        WindowModel model(start.captured);
        model.LoadSettings();
        FillState(model);
        model.AddPreset("Mine");
        model.SaveSettings();
    }
    EXPECT_EQ(ReadFile(start / "preset/Mine.ini"),
              PRESET +
                  "[CheckBox]\r\n0=1\r\n1=0\r\n10=1\r\n11=1\r\n2=1\r\n3=0\r\n4=1\r\n5=0\r\n"
                  "6=0\r\n7=1\r\n8=0\r\n9=0\r\n[EditBox]\r\n0=/data/Images\r\n1=%n [%i]\r\n"
                  "[ListBox]\r\nMACHINE=1\r\n");
    EXPECT_EQ(ReadFile(start / "Setting.ini"),
              SETTINGS +
                  "[General]\r\nCurrentPreset=Mine\r\nDaemonDrive=\r\nEDIT2=games.csv\r\n"
                  "EDIT3=more.csv\r\nEDIT4=/opt/tool\r\nEDIT5=%n\r\nLanguage=English\r\n");

    WindowModel again(start.captured);
    again.LoadSettings();
    WindowModel expected(start.captured);
    FillState(expected);
    EXPECT_EQ(again.edits, expected.edits);
    EXPECT_EQ(again.checks, expected.checks);
    EXPECT_EQ(again.systemSelection, 1);
    EXPECT_EQ(again.presetList, std::vector<std::string>{"Mine"});
    EXPECT_EQ(again.currentPreset, "Mine");
}

TEST(WindowModel, FirstStartTakesTheFirstCsvAndHasNoPreset) {
    StartDirectory start;
    WriteFile(start / "b.csv", "");
    WriteFile(start / "a.CSV", "");
    MakeDirs(start / "c.csv");
    WindowModel model(start.captured);
    model.LoadSettings();
    EXPECT_EQ(model.edits[EDIT_DATABASE], start / "a.CSV");
    // orvane-cli never guesses one.
    WindowModel terminal(start.captured);
    terminal.LoadSettings(WindowModel::DefaultDatabase::None);
    EXPECT_EQ(terminal.edits[EDIT_DATABASE], "");
    EXPECT_TRUE(model.presetList.empty());
    EXPECT_EQ(model.presetSelection, -1);
    EXPECT_EQ(model.systemSelection, -1);
    // Without any preset the first save keeps the folder, formula, boxes and
    // system in "Default", which is then in use and remembered.
    FillState(model);
    EXPECT_TRUE(model.SaveSettings().empty());
    EXPECT_EQ(ListNames(start / "preset"), std::vector<std::string>{"Default.ini"});
    EXPECT_EQ(model.presetList, std::vector<std::string>{"Default"});
    EXPECT_EQ(model.presetSelection, 0);
    WindowModel again(start.captured);
    again.LoadSettings();
    EXPECT_EQ(again.currentPreset, "Default");
    EXPECT_EQ(again.edits[EDIT_FOLDER], "/data/Images");
    EXPECT_EQ(again.checks, model.checks);
}

// A remembered name selects only the preset of that very name; any other is
// the first preset, which is then loaded and in use.
TEST(WindowModel, RememberedPresetIsMatchedExactly) {
    StartDirectory start;
    MakeDirs(start / "preset");
    WriteFile(start / "preset/Alpha.ini", PRESET + "[EditBox]\r\n0=alpha\r\n");
    WriteFile(start / "preset/Default2.ini", PRESET + "[EditBox]\r\n0=two\r\n");
    for (const auto& [remembered, selection, folder] : {std::tuple{"Default2", 1, "two"},
                                                        {"Default", 0, "alpha"},
                                                        {"default2", 0, "alpha"},
                                                        {"Gone", 0, "alpha"},
                                                        {"", 0, "alpha"}}) {
        WriteFile(start / "Setting.ini",
                  SETTINGS + "[General]\r\nCurrentPreset=" + remembered + "\r\n");
        WindowModel model(start.captured);
        model.LoadSettings();
        EXPECT_EQ(model.presetSelection, selection) << remembered;
        EXPECT_EQ(model.currentPreset, model.presetList[std::size_t(selection)]) << remembered;
        EXPECT_EQ(model.edits[EDIT_FOLDER], folder) << remembered;
    }
}

TEST(WindowModel, SwitchingPresetsStoresTheStateInThePresetBeingLeft) {
    StartDirectory start;
    MakeDirs(start / "preset");
    WriteFile(start / "preset/A.ini", PRESET + "[EditBox]\r\n0=folder A\r\n");
    WriteFile(start / "preset/B.ini", PRESET + "[EditBox]\r\n0=folder B\r\n");
    WindowModel model(start.captured);
    model.LoadSettings();
    ASSERT_EQ(model.currentPreset, "A");
    model.edits[EDIT_FOLDER] = "edited while in A";
    model.SelectPreset(1);
    EXPECT_EQ(model.edits[EDIT_FOLDER], "folder B");
    WindowModel reread(start.captured);
    reread.LoadPreset("A");
    EXPECT_EQ(reread.edits[EDIT_FOLDER], "edited while in A");
}

TEST(WindowModel, ForeignFilesAndBadValuesGiveUncheckedAndNoSystem) {
    StartDirectory start;
    MakeDirs(start / "preset");
    WriteFile(start / "preset/notes.txt", "just notes\r\n");
    WriteFile(start / "preset/odd.ini", PRESET +
                                            "[CheckBox]\r\n0= 1\r\n1=1x\r\n2=+1\r\n3=\r\n"
                                            "[ListBox]\r\nMACHINE=7\r\n");
    WindowModel model(start.captured);
    model.LoadSettings();
    EXPECT_EQ(model.presetList, (std::vector<std::string>{"notes", "odd"}));
    model.checks.fill(1);
    model.systemSelection = 2;
    model.LoadPreset("notes");  // its notes.ini does not exist
    EXPECT_EQ(model.checks, (std::array<int, CHECK_COUNT>{}));
    EXPECT_EQ(model.systemSelection, -1);
    model.LoadPreset("odd");
    EXPECT_EQ(model.checks[0], 0);
    EXPECT_EQ(model.checks[1], 0);
    EXPECT_EQ(model.checks[2], 1);
    EXPECT_EQ(model.checks[3], 0);
    EXPECT_EQ(model.systemSelection, -1);
}

TEST(WindowModel, DeletingAPresetAsksAndRefillsTheList) {
    StartDirectory start;
    MakeDirs(start / "preset");
    for (const char* name : {"Alpha", "Beta", "Beta2"}) {
        WriteFile(start / (std::string("preset/") + name + ".ini"),
                  PRESET + "[EditBox]\r\n0=" + name + "\r\n");
    }
    WriteFile(start / "Setting.ini", SETTINGS + "[General]\r\nCurrentPreset=Beta\r\n");
    WindowModel model(start.captured);
    model.LoadSettings();
    model.SelectLanguage(0);
    testsupport::RecordingHost host;
    host.answerYes = false;
    model.DeletePreset([&host](const std::string& question) { return host.AskYesNo(question); });
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(model.presetList.size(), 3u);

    host.answerYes = true;
    auto yes = [&host](const std::string& question) { return host.AskYesNo(question); };
    model.DeletePreset(yes);
    EXPECT_EQ(ListNames(start / "preset"), (std::vector<std::string>{"Alpha.ini", "Beta2.ini"}));
    // Beta2 begins with the deleted name, but the first preset takes over.
    EXPECT_EQ(model.presetSelection, 0);
    EXPECT_EQ(model.currentPreset, "Alpha");
    EXPECT_EQ(model.edits[EDIT_FOLDER], "Alpha");
    EXPECT_TRUE(model.SaveSettings().empty());
    EXPECT_EQ(ListNames(start / "preset"), (std::vector<std::string>{"Alpha.ini", "Beta2.ini"}));

    // The last presets deleted stay deleted; the state goes on in "Default".
    model.DeletePreset(yes);
    model.DeletePreset(yes);
    EXPECT_TRUE(model.presetList.empty());
    EXPECT_TRUE(model.SaveSettings().empty());
    EXPECT_EQ(ListNames(start / "preset"), std::vector<std::string>{"Default.ini"});
}

// A preset or Setting.ini that cannot be written is reported by its path; a
// new preset that could not be written is not switched to, so the state the
// user gave is not replaced by another preset's.
TEST(WindowModel, FilesThatCannotBeWrittenAreReportedAndChangeNothing) {
    StartDirectory start;
    MakeDirs(start / "preset");
    WriteFile(start / "preset/Other.ini", PRESET + "[EditBox]\r\n0=other folder\r\n");
    MakeDirs(start / "preset/New.ini");  // in the way of the new preset's file
    ASSERT_EQ(mkfifo((start / "Setting.ini").c_str(), 0600), 0);
    WindowModel model(start.captured);
    model.LoadSettings();  // the FIFO neither blocks nor counts as settings
    FillState(model);
    EXPECT_FALSE(model.AddPreset("New"));
    EXPECT_EQ(model.currentPreset, "Other");
    EXPECT_EQ(model.edits[EDIT_FOLDER], "/data/Images");
    EXPECT_EQ(model.SaveSettings(), std::vector<std::string>{start / "Setting.ini"});
    EXPECT_EQ(platform::ReadSmallFile(start / "Setting.ini").outcome,
              platform::SmallFile::Outcome::NotRegular);

    model.currentPreset = "New";
    EXPECT_EQ(model.SaveSettings(),
              (std::vector<std::string>{start / "preset/New.ini", start / "Setting.ini"}));
}

TEST(WindowModel, PresetNamesThatCannotBeFileNamesStoreNothing) {
    StartDirectory start;
    WindowModel model(start.captured);
    model.LoadSettings();
    FillState(model);
    for (const std::string name : {"", ".", "..", "../outside", "a/b"}) {
        model.AddPreset(name);
        EXPECT_EQ(model.currentPreset, "") << name;
    }
    EXPECT_EQ(ListNames(start.Path()), std::vector<std::string>{});
    model.AddPreset("Good");
    EXPECT_EQ(ListNames(start / "preset"), std::vector<std::string>{"Good.ini"});
    EXPECT_EQ(model.edits[EDIT_FOLDER], "/data/Images");
}

TEST(WindowModel, LanguagesMergeAndBlanksAroundTheKeyMatter) {
    StartDirectory start;
    MakeDirs(start / "language");
    WriteFile(start / "language/English.ini",
              LANGUAGE + "[MessageBox]\r\nDONE_1=Discs\r\n[State]\r\nWAIT=Ready\r\n");
    WriteFile(start / "language/Klingon.ini", LANGUAGE + "[State]\r\nWAIT=Qapla\r\n");
    WriteFile(start / "Setting.ini", SETTINGS + "[General]\r\nLanguage = Klingon\r\n");
    WindowModel model(start.captured);
    int applied = 0;
    model.onLanguageApplied = [&] { ++applied; };
    model.LoadSettings();
    // "Language " is not "Language": nothing remembered, the first language is used.
    EXPECT_EQ(model.currentLanguage, "English");
    EXPECT_EQ(model.LanguageText("State", "WAIT"), "Ready");
    model.SelectLanguage(1);
    EXPECT_EQ(model.LanguageText("State", "WAIT"), "Qapla");
    EXPECT_EQ(model.LanguageText("MessageBox", "DONE_1"), "Discs");  // kept from English
    EXPECT_EQ(applied, 2);
}

// With no language file to load, the texts are the English ones built into
// the program: those of the shipped English.ini, every one of them.
TEST(WindowModel, WithoutLanguageFilesTheBuiltInEnglishSpeaks) {
    StartDirectory start;
    MakeDirs(start / "language");
    WindowModel model(start.captured);
    model.LoadSettings();
    EXPECT_TRUE(model.languageList.empty());
    KeyedTextDocument shipped(LANGUAGE_HEADER);
    ASSERT_TRUE(shipped.Load(config::LanguageFolder("/nonexistent") + "/English.ini"));
    EXPECT_EQ(model.LanguageTexts().Sections(), shipped.Sections());
    EXPECT_FALSE(model.LanguageText("MessageBox", "FOLDER_NOT_FOUND").empty());
}
