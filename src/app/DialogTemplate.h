#pragma once

#include <array>
#include <utility>

// The main window as a dialog template: every control with its id, kind,
// default caption and place in dialog units. Dialog units scale with the
// dialog font (a quarter of the average character width across, an eighth of
// the character height down), so the window keeps its proportions at any
// font size.

enum class ControlKind {
    Label,
    Edit,
    Button,
    DefaultButton,
    CheckBox,
    GroupBox,
    ListBox,
    DropDownList,   // a combo box that only offers its entries
    DropDownCombo,  // a combo box whose text can also be typed
    ProgressBar
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;
    bool visible;
};

// The ids the window refers to by name; every other control is known only by
// its place in the table.
enum ControlId : int {
    ID_EXIT = 2,
    ID_STOP = 3,
    ID_LIST_RUN = 5,
    ID_FOLDER = 1000,
    ID_DATABASE = 1001,
    ID_FORMULA = 1002,
    ID_ADD_DATABASE = 1003,
    ID_BROWSE_FOLDER = 1004,
    ID_BROWSE_DATABASE = 1005,
    ID_BROWSE_ADD_DATABASE = 1006,
    ID_DRIVE_TOOL = 1007,
    ID_START = 1008,
    ID_ADD_RECORD = 1009,
    ID_SUBFOLDERS = 1010,
    ID_LIST_FORMAT = 1011,
    ID_PROGRESS = 1012,
    ID_RENAME_FOLDERS = 1013,
    ID_IMAGE_CHECKSUM = 1014,
    ID_BROWSE_DRIVE_TOOL = 1016,
    ID_SYSTEM = 1033,
    ID_STATUS = 1034,
    ID_ADD_PRIORITY = 1035,
    ID_SEARCH_ARCHIVES = 1036,
    ID_FULLWIDTH_SPECIAL = 1037,
    ID_PRESETS = 1038,
    ID_ADD_PRESET = 1039,
    ID_DELETE_PRESET = 1040,
    ID_FULLWIDTH_DIGITS = 1041,
    ID_FULLWIDTH_LETTERS = 1042,
    ID_FULLWIDTH_SPACES = 1043,
    ID_FULLWIDTH_PUNCTUATION = 1044,
    ID_SET_TIMES = 1045,
    ID_WRITE_BATCH = 1046,
    ID_FOLDER_LABEL = 1047,
    ID_FORMULA_LABEL = 1048,
    ID_DATABASE_LABEL = 1049,
    ID_ADD_DATABASE_LABEL = 1050,
    ID_DRIVE_TOOL_LABEL = 1051,
    ID_PRESETS_GROUP = 1053,
    ID_HIDDEN_SYSTEM_GROUP = 1054,
    ID_GENERAL_GROUP = 1055,
    ID_HIDDEN_GROUP_3 = 1056,
    ID_LANGUAGE = 1057,
    ID_HIDDEN_LANGUAGE_GROUP = 1058,
    ID_DRIVES = 1059,
    ID_HIDDEN_GROUP_5 = 1060,
    ID_LIST_FORMAT_LABEL = 1052,
    ID_LANGUAGE_GROUP = 1061,
    ID_SYSTEM_GROUP = 1062,
    ID_FORMULA_GROUP = 1063,
    ID_OPTIONS = 1064,
    ID_VERSION = -1
};

inline constexpr const char* DIALOG_CAPTION = "Orvane";
inline constexpr const char* DIALOG_FONT_FAMILY = "Verdana";
inline constexpr int DIALOG_WIDTH = 413;
inline constexpr int DIALOG_HEIGHT = 182;

// In creation order, which is also the stacking order: each group box comes
// before the controls it frames, so they lie on top of it.
inline constexpr ControlTemplate DIALOG_CONTROLS[] = {
    {1047, ControlKind::Label, "Directory to Scan", 6, 5, 72, 8, true},
    {1000, ControlKind::Edit, "", 6, 15, 302, 12, true},
    {1004, ControlKind::Button, "...", 312, 15, 19, 12, true},
    {1049, ControlKind::Label, "Database file", 6, 29, 221, 8, true},
    {1001, ControlKind::Edit, "", 6, 38, 302, 12, true},
    {1005, ControlKind::Button, "...", 312, 38, 19, 12, true},
    {1063, ControlKind::GroupBox, "Renaming Formula (%r %v %l %L %d %s %m %e)", 6, 53, 264, 60,
     true},
    {1048, ControlKind::Label, "For Files", 10, 61, 51, 8, true},
    {1002, ControlKind::Edit, "", 10, 71, 256, 12, true},
    {1052, ControlKind::Label, "For Have/Miss List", 10, 87, 92, 8, true},
    {1011, ControlKind::Edit, "", 10, 97, 256, 12, true},
    {1055, ControlKind::GroupBox, "General Settings", 6, 117, 264, 22, true},
    {1010, ControlKind::CheckBox, "Scan Subdirectories", 10, 126, 95, 10, true},
    {1013, ControlKind::CheckBox, "Rename Folders", 136, 126, 76, 10, true},
    // The settings and commands the window has no room for (KelvaneOptionsDlg).
    {1064, ControlKind::Button, "Options...", 216, 124, 50, 12, true},
    {1053, ControlKind::GroupBox, "Presets", 274, 53, 65, 86, true},
    {1038, ControlKind::ListBox, "", 278, 63, 57, 58, true},
    {1039, ControlKind::Button, "Add", 278, 124, 27, 11, true},
    {1040, ControlKind::Button, "Delete", 308, 124, 27, 11, true},
    {1008, ControlKind::DefaultButton, "Start Renaming", 343, 14, 65, 16, true},
    {3, ControlKind::Button, "Stop Renaming", 342, 37, 65, 16, true},
    {2, ControlKind::Button, "Exit", 343, 61, 65, 16, true},
    {1061, ControlKind::GroupBox, "Language", 343, 80, 65, 25, true},
    {1057, ControlKind::DropDownList, "", 347, 89, 57, 137, true},
    {1062, ControlKind::GroupBox, "System", 343, 108, 65, 25, true},
    {1033, ControlKind::DropDownList, "", 347, 117, 57, 137, true},
    {1012, ControlKind::ProgressBar, "", 2, 143, 409, 22, true},
    {1034, ControlKind::Label, "Status Bar", 2, 168, 363, 12, true},
    // The version of the build, the one `--version` prints.
    {-1, ControlKind::Label, "Ver. " ORVANE_VERSION, 367, 168, 44, 12, true},
    {1003, ControlKind::Edit, "", 0, 170, 6, 12, false},
    {1007, ControlKind::Edit, "", 0, 170, 6, 12, false},
    {1050, ControlKind::Label, "(not used) New Database File (used when adding new records)", 0,
     174, 8, 8, false},
    {1051, ControlKind::Label, "(not used) Daemon Tools Location", 0, 174, 8, 8, false},
    {1006, ControlKind::Button, "...", 0, 176, 6, 6, false},
    {1016, ControlKind::Button, "...", 0, 176, 6, 6, false},
    {1009, ControlKind::Button, "Add Record", 0, 176, 6, 6, false},
    {5, ControlKind::Button, "", 0, 176, 6, 6, false},
    {1059, ControlKind::DropDownCombo, "", 0, 170, 16, 61, false},
    {1014, ControlKind::CheckBox, "", 0, 174, 8, 8, false},
    {1035, ControlKind::CheckBox, "", 0, 174, 8, 8, false},
    {1036, ControlKind::CheckBox, "", 0, 174, 8, 8, false},
    {1037, ControlKind::CheckBox, "", 0, 174, 8, 8, false},
    {1041, ControlKind::CheckBox, "", 0, 174, 8, 8, false},
    {1042, ControlKind::CheckBox, "", 0, 174, 8, 8, false},
    {1043, ControlKind::CheckBox, "", 0, 174, 8, 8, false},
    {1044, ControlKind::CheckBox, "", 0, 174, 8, 8, false},
    {1045, ControlKind::CheckBox, "", 0, 174, 8, 8, false},
    {1046, ControlKind::CheckBox, "", 0, 174, 8, 8, false},
    {1054, ControlKind::GroupBox, "System", 0, 173, 8, 9, false},
    {1056, ControlKind::GroupBox, "", 0, 173, 8, 9, false},
    {1058, ControlKind::GroupBox, "Language", 0, 173, 8, 9, false},
    {1060, ControlKind::GroupBox, "", 0, 173, 8, 9, false},
};

// The controls in the orders that the runs, presets and language files number
// them by.
inline constexpr std::array<int, 6> EDIT_IDS{ID_FOLDER,       ID_FORMULA,    ID_DATABASE,
                                             ID_ADD_DATABASE, ID_DRIVE_TOOL, ID_LIST_FORMAT};
inline constexpr std::array<int, 12> CHECK_IDS{
    ID_SUBFOLDERS,       ID_RENAME_FOLDERS,        ID_IMAGE_CHECKSUM,   ID_ADD_PRIORITY,
    ID_SEARCH_ARCHIVES,  ID_FULLWIDTH_SPECIAL,     ID_FULLWIDTH_DIGITS, ID_FULLWIDTH_LETTERS,
    ID_FULLWIDTH_SPACES, ID_FULLWIDTH_PUNCTUATION, ID_SET_TIMES,        ID_WRITE_BATCH};
inline constexpr std::array<int, 8> COMMAND_BUTTON_IDS{ID_START,      ID_ADD_RECORD,    ID_EXIT,
                                                       ID_ADD_PRESET, ID_DELETE_PRESET, ID_STOP,
                                                       ID_LIST_RUN,   ID_OPTIONS};
inline constexpr std::array<int, 4> BROWSE_BUTTON_IDS{ID_BROWSE_FOLDER, ID_BROWSE_DATABASE,
                                                      ID_BROWSE_ADD_DATABASE, ID_BROWSE_DRIVE_TOOL};
inline constexpr std::array<int, 3> COMBO_IDS{ID_SYSTEM, ID_LANGUAGE, ID_DRIVES};
// The labels beside edits 0 to 5, as the language file's "EditBox" keys count them.
inline constexpr std::array<int, 6> EDIT_LABEL_IDS{ID_FOLDER_LABEL,     ID_FORMULA_LABEL,
                                                   ID_DATABASE_LABEL,   ID_ADD_DATABASE_LABEL,
                                                   ID_DRIVE_TOOL_LABEL, ID_LIST_FORMAT_LABEL};
// The group boxes the language file's "GroupBox" keys 0 to 5 caption.
inline constexpr std::array<int, 6> GROUP_IDS{ID_PRESETS_GROUP,         ID_HIDDEN_SYSTEM_GROUP,
                                              ID_GENERAL_GROUP,         ID_HIDDEN_GROUP_3,
                                              ID_HIDDEN_LANGUAGE_GROUP, ID_HIDDEN_GROUP_5};
// The visible group boxes and their "GroupBox" keys: the System and Language
// groups the user sees share the texts of the hidden groups of those names.
inline constexpr std::array<std::pair<int, const char*>, 3> VISIBLE_GROUP_KEYS{{
    {ID_SYSTEM_GROUP, "1"},
    {ID_LANGUAGE_GROUP, "4"},
    {ID_FORMULA_GROUP, "6"},
}};
inline constexpr std::array<const char*, 3> SYSTEM_NAMES{"PS1", "PS2", "PSP"};
// The caption (label or group box) that names each edit, browse button and
// list for screen readers.
inline constexpr std::array<std::pair<int, int>, 13> ACCESSIBLE_NAME_CAPTIONS{{
    {ID_FOLDER, ID_FOLDER_LABEL},
    {ID_BROWSE_FOLDER, ID_FOLDER_LABEL},
    {ID_DATABASE, ID_DATABASE_LABEL},
    {ID_BROWSE_DATABASE, ID_DATABASE_LABEL},
    {ID_FORMULA, ID_FORMULA_LABEL},
    {ID_LIST_FORMAT, ID_LIST_FORMAT_LABEL},
    {ID_ADD_DATABASE, ID_ADD_DATABASE_LABEL},
    {ID_BROWSE_ADD_DATABASE, ID_ADD_DATABASE_LABEL},
    {ID_DRIVE_TOOL, ID_DRIVE_TOOL_LABEL},
    {ID_BROWSE_DRIVE_TOOL, ID_DRIVE_TOOL_LABEL},
    {ID_PRESETS, ID_PRESETS_GROUP},
    {ID_LANGUAGE, ID_LANGUAGE_GROUP},
    {ID_SYSTEM, ID_SYSTEM_GROUP},
}};
