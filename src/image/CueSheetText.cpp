#include "image/CueSheetText.h"

#include "image/DescriptorText.h"
#include "platform/AsciiCase.h"
#include "platform/TextLines.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(std::string_view line, std::size_t at) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    return at;
}

std::size_t TokenEnd(std::string_view line, std::size_t at) {
    while (at < line.size() && !IsBlank(line[at])) ++at;
    return at;
}

}  // namespace

CueSheetFiles FindCueFileNames(std::string_view text) {
    CueSheetFiles sheet;
    platform::LineReader lines(text, DESCRIPTOR_LINE_LENGTH);
    std::string_view line;
    while (lines.Next(line)) {
        const std::size_t lineStart = std::size_t(line.data() - text.data());
        std::size_t at =
            lineStart == 0 && line.starts_with(BYTE_ORDER_MARK) ? BYTE_ORDER_MARK.size() : 0;
        at = SkipBlanks(line, at);
        const std::size_t keywordEnd = TokenEnd(line, at);
        const std::string keyword = platform::ToUpperAscii(line.substr(at, keywordEnd - at));
        at = SkipBlanks(line, keywordEnd);
        if (keyword == "FILE" && at < line.size()) {
            CueFileName file;
            file.quoted = line[at] == '"';
            const std::size_t nameStart = file.quoted ? at + 1 : at;
            const std::size_t nameEnd = file.quoted
                                            ? std::min(line.find('"', nameStart), line.size())
                                            : TokenEnd(line, nameStart);
            file.begin = lineStart + nameStart;
            file.end = lineStart + nameEnd;
            file.name = std::string(line.substr(nameStart, nameEnd - nameStart));
            sheet.files.push_back(std::move(file));
        } else if (keyword == "TRACK" && !sheet.files.empty()) {
            ++sheet.trackCount;
            CueFileName& block = sheet.files.back();
            if (block.firstTrack == 0) block.firstTrack = ScanInteger(line.substr(at));
        }
    }
    return sheet;
}

std::string_view CueFileLeaf(std::string_view name) {
    const std::size_t separator = name.find_last_of("/\\");
    return separator == std::string_view::npos ? name : name.substr(separator + 1);
}

std::string ReplaceCueFileNames(std::string_view text,
                                const std::map<std::string, std::string>& renamed,
                                const std::set<std::string>& bare) {
    std::string rewritten;
    rewritten.reserve(text.size());
    std::size_t copied = 0;
    for (const CueFileName& file : FindCueFileNames(text).files) {
        const std::string_view leaf = CueFileLeaf(file.name);
        const auto found = renamed.find(std::string(leaf));
        if (found == renamed.end()) continue;
        const std::string name =
            file.name.substr(0, file.name.size() - leaf.size()) + found->second;
        const bool blank = name.find_first_of(" \t") != std::string::npos;
        const bool unquote = file.quoted && !blank && bare.contains(found->second) &&
                             file.begin > 0 && file.end < text.size() && text[file.end] == '"';
        const bool quote = !file.quoted && blank;
        rewritten.append(text, copied, (unquote ? file.begin - 1 : file.begin) - copied);
        rewritten += quote ? "\"" + name + "\"" : name;
        copied = unquote ? file.end + 1 : file.end;
    }
    rewritten.append(text, copied);
    return rewritten;
}
