#pragma once

// The window's six text fields and twelve check boxes, in the one order the
// runs, presets, settings and language files share.
enum EditIndex : int {
    EDIT_FOLDER = 0,
    EDIT_FORMULA = 1,
    EDIT_DATABASE = 2,
    EDIT_ADD_DATABASE = 3,
    EDIT_DRIVE_TOOL = 4,
    EDIT_LIST_FORMAT = 5,
    EDIT_COUNT = 6
};

enum CheckIndex : int {
    CHECK_SUBFOLDERS = 0,
    CHECK_RENAME_FOLDERS = 1,
    CHECK_IMAGE_CHECKSUM = 2,
    CHECK_ADD_PRIORITY = 3,
    CHECK_SEARCH_ARCHIVES = 4,
    CHECK_FULLWIDTH_SPECIAL = 5,
    CHECK_FULLWIDTH_DIGITS = 6,
    CHECK_FULLWIDTH_LETTERS = 7,
    CHECK_FULLWIDTH_SPACES = 8,
    CHECK_FULLWIDTH_PUNCTUATION = 9,
    CHECK_SET_TIMES = 10,
    CHECK_WRITE_BATCH = 11,
    CHECK_COUNT = 12
};
