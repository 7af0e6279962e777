#include "ident/ArchiveVolumes.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "platform/AsciiCase.h"
#include "platform/FileSearch.h"
#include "platform/PathText.h"

namespace {

// More digits than this are no volume number.
constexpr std::size_t MAX_DIGITS = 9;
// X.r00 ... X.r99, X.s00 ... X.z99.
constexpr int OLD_RAR_VOLUMES = ('z' - 'r' + 1) * 100;

enum class Numbering { PartRar, OldRar, Numbered };

// How the volumes of one set are named: stem + volume number + tail.
struct Scheme {
    Numbering numbering = Numbering::Numbered;
    std::string stem;  // "X.part", "X." or "X.7z."
    std::string tail;  // ".rar" for X.partN.rar, else empty
    std::size_t width = 0;
    int next = 0;  // number of the volume after the first
};

bool IsDigits(std::string_view text) {
    if (text.empty() || text.size() > MAX_DIGITS) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

int NumberOf(std::string_view digits) {
    int number = 0;
    for (char c : digits) number = number * 10 + (c - '0');
    return number;
}

std::optional<Scheme> SchemeOf(const std::string& name) {
    const std::size_t lastDot = name.rfind('.');
    if (lastDot == std::string::npos) return std::nullopt;
    const std::string_view beforeExtension(name.data(), lastDot);
    const std::string_view extension = std::string_view(name).substr(lastDot + 1);

    if (platform::EqualsIgnoreCase(extension, "rar")) {
        const std::size_t part = beforeExtension.rfind('.');
        if (part != std::string_view::npos) {
            const std::string_view partText = beforeExtension.substr(part + 1);
            if (platform::StartsWithIgnoreCase(partText, "part") && IsDigits(partText.substr(4))) {
                const std::string_view digits = partText.substr(4);
                return Scheme{Numbering::PartRar, name.substr(0, part + 5), name.substr(lastDot),
                              digits.size(), NumberOf(digits) + 1};
            }
        }
        return Scheme{Numbering::OldRar, name.substr(0, lastDot + 1), "", 2, 0};
    }
    if (IsDigits(extension)) {
        return Scheme{Numbering::Numbered, name.substr(0, lastDot + 1), "", extension.size(),
                      NumberOf(extension) + 1};
    }
    return std::nullopt;
}

// The name of volume `number`, nothing beyond the last name of the scheme.
std::optional<std::string> VolumeName(const Scheme& scheme, int number) {
    char text[16];
    if (scheme.numbering == Numbering::OldRar) {
        if (number >= OLD_RAR_VOLUMES) return std::nullopt;
        std::snprintf(text, sizeof text, "%c%02d", 'r' + number / 100, number % 100);
    } else {
        std::snprintf(text, sizeof text, "%0*d", static_cast<int>(scheme.width), number);
    }
    return scheme.stem + text + scheme.tail;
}

// The volume number of a name of the set (in upper case), or nothing.
std::optional<int> VolumeNumber(const Scheme& scheme, const std::string& upperName) {
    const std::string stem = platform::ToUpperAscii(scheme.stem);
    const std::string tail = platform::ToUpperAscii(scheme.tail);
    if (upperName.size() < stem.size() + tail.size() ||
        upperName.compare(0, stem.size(), stem) != 0 ||
        upperName.compare(upperName.size() - tail.size(), tail.size(), tail) != 0) {
        return std::nullopt;
    }
    const std::string_view number = std::string_view(upperName).substr(
        stem.size(), upperName.size() - stem.size() - tail.size());
    if (scheme.numbering == Numbering::OldRar) {
        if (number.size() != 3 || number[0] < 'R' || number[0] > 'Z' ||
            !IsDigits(number.substr(1))) {
            return std::nullopt;
        }
        return (number[0] - 'R') * 100 + NumberOf(number.substr(1));
    }
    if (!IsDigits(number)) return std::nullopt;
    return NumberOf(number);
}

}  // namespace

VolumeSet GatherVolumes(const std::string& firstVolume) {
    VolumeSet set;
    set.paths.push_back(firstVolume);
    const platform::PathSplit split = platform::SplitAtLastSeparator(firstVolume);
    const std::optional<Scheme> scheme = SchemeOf(split.name);
    if (!scheme) return set;

    // The files that could belong to the set, by name in upper case.
    const std::string folder = platform::ListableFolder(split);
    std::map<std::string, std::string> present;
    int highest = -1;
    for (const auto& entry : platform::FindEntries(folder, scheme->stem, "*")) {
        if (entry.isFolder) continue;
        std::string upperName = platform::ToUpperAscii(entry.name);
        if (const auto number = VolumeNumber(*scheme, upperName)) {
            highest = std::max(highest, *number);
        }
        present.emplace(std::move(upperName), entry.name);
    }

    for (int number = scheme->next;; ++number) {
        const std::optional<std::string> name = VolumeName(*scheme, number);
        if (!name) break;
        const auto found = present.find(platform::ToUpperAscii(*name));
        if (found == present.end()) {
            if (highest > number) set.missingVolume = *name;
            set.nextVolume = *name;
            break;
        }
        set.paths.push_back(platform::JoinPath(folder, found->second));
    }
    return set;
}

bool IsPartSuffix(std::string_view suffix) {
    constexpr std::string_view PREFIX = ".part";
    if (!platform::StartsWithIgnoreCase(suffix, PREFIX)) return false;
    const std::string_view digits = suffix.substr(PREFIX.size());
    if (digits.empty() || digits.size() > 3) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1;
}
