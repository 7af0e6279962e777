#include "core/RunOptions.h"

int SystemIndex(int systemSelection) {
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
