#include "run/RunSettings.h"

#include "config/WindowModel.h"

int SystemIndex(std::int32_t systemSelection) {
    return (systemSelection >= 0 && systemSelection <= 2) ? systemSelection + 1 : 0;
}

std::string SystemName(int systemIndex) {
    switch (systemIndex) {
        case 1:
            return "PS1";
        case 2:
            return "PS2";
        case 3:
            return "PSP";
        default:
            return "";
    }
}

RunSettings MakeRunSettings(const WindowModel& model, RunHost* owner, RunState* runState) {
    RunSettings settings;
    settings.ownerWindow = owner;
    settings.runState = runState;
    settings.texts = model.edits;
    for (int i = 0; i < CHECK_COUNT; ++i)
        settings.checks[std::size_t(i)] = model.checks[std::size_t(i)];
    settings.systemSelection = model.systemSelection;
    settings.driveText = WindowModel::Selected(model.driveList, model.driveSelection);
    return settings;
}
