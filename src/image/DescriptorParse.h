#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/TrackTable.h"

// What a descriptor parser makes of its input: the tracks, or the reason it
// refuses it and the line of the text the reason is about. Parsers only read
// text or bytes; finding the data files on disk is a step of its own.
struct DescriptorParse {
    bool accepted = false;
    TrackTable table;
    // The data files the descriptor names, in order, as written (cue sheets).
    std::vector<std::string> dataFiles;
    std::string reason;
    std::int32_t line = 0;  // 1-based; 0 when the reason is about no line

    // The reason with its line, for the user: "line 7: unknown track type".
    std::string Explained() const;
};

DescriptorParse Refused(std::string reason, std::int32_t line = 0);
