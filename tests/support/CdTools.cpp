#include "support/CdTools.h"

#include <regex>

#include "platform/TextLines.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace testsupport {

std::vector<std::int64_t> CdInfoTrackSectors(const std::string& source, const std::string& image) {
    std::string output;
    if (RunCommand("cd-info --no-header --no-device-info --no-cddb --no-analyze " + source + "=" +
                       ShellQuote(image) + " 2>/dev/null",
                   &output) != 0) {
        return {};
    }
    // "  2: 00:13:01  000826 XA     true   no", "170: 00:25:01  001726 leadout ..."
    static const std::regex TRACK_LINE(R"(^\s*(\d+): \d\d:\d\d:\d\d\s+(\d+)\s)");
    std::vector<std::int64_t> sectors;
    for (const std::string& line : platform::SplitTextLines(output)) {
        std::smatch match;
        if (std::regex_search(line, match, TRACK_LINE)) sectors.push_back(std::stoll(match[2]));
    }
    return sectors;
}

std::string CdReadBlocks(const std::string& source, const std::string& image,
                         const std::string& mode, std::int64_t start, std::int64_t count) {
    TempDir dir;
    const std::string out = dir / "blocks";
    if (RunCommand("cd-read --no-header " + source + "=" + ShellQuote(image) + " -m " + mode +
                   " -s " + std::to_string(start) + " -n " + std::to_string(count) + " -o " +
                   ShellQuote(out) + " >/dev/null 2>&1") != 0) {
        return "";
    }
    return ReadFile(out);
}

std::string UserDataOfFrames(const std::string& frames, std::size_t headerBytes) {
    std::string blocks;
    for (std::size_t at = 0; at + 2352 <= frames.size(); at += 2352) {
        blocks += frames.substr(at + headerBytes, 2048);
    }
    return blocks;
}

}  // namespace testsupport
