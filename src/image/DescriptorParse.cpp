#include "image/DescriptorParse.h"

std::string DescriptorParse::Explained() const {
    if (line <= 0) return reason;
    return "line " + std::to_string(line) + ": " + reason;
}

DescriptorParse Refused(std::string reason, std::int32_t line) {
    DescriptorParse parse;
    parse.reason = std::move(reason);
    parse.line = line;
    return parse;
}
