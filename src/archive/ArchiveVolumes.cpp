#include "archive/ArchiveVolumes.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "platform/AsciiCase.h"
#include "platform/DecimalText.h"
#include "platform/FileSearch.h"
#include "platform/PathText.h"

namespace {

// More digits than this are no volume number.
constexpr std::size_t MAX_DIGITS = 9;
// X.r00 ... X.r99, X.s00 ... X.z99.
constexpr int OLD_RAR_VOLUMES = ('z' - 'r' + 1) * 100;

enum class Numbering { PartRar, OldRar, Numbered, SpannedZip };

// How the volumes of one set are named: stem + volume number + tail.
struct Scheme {
    Numbering numbering = Numbering::Numbered;
    std::string stem;  // "X.part", "X.", "X.7z." or "X.z"
    std::string tail;  // ".rar" for X.partN.rar, else empty
    std::size_t width = 0;
    int next = 0;  // number of the volume after the first
};

// A spanned zip is X.z01, X.z02, ... and last X.zip, which holds the
// directory.
constexpr int FIRST_SPANNED_PART = 1;

bool IsDigits(std::string_view text) {
    return platform::DecimalNumber(text, MAX_DIGITS).has_value();
}

// The number of digits IsDigits accepted.
int NumberOf(std::string_view digits) {
    return int(platform::DecimalNumber(digits, MAX_DIGITS).value_or(0));
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
    const bool spannedPart = extension.size() == 3 &&
                             (extension[0] == 'z' || extension[0] == 'Z') &&
                             IsDigits(extension.substr(1));
    if (spannedPart || platform::EqualsIgnoreCase(extension, "zip")) {
        return Scheme{Numbering::SpannedZip, name.substr(0, lastDot + 2), "", 2,
                      spannedPart ? NumberOf(extension.substr(1)) + 1 : FIRST_SPANNED_PART};
    }
    return std::nullopt;
}

// The name of volume `number`, nothing beyond the last name of the scheme.
std::optional<std::string> VolumeName(const Scheme& scheme, int number) {
    char text[16];
    int length = 0;
    if (scheme.numbering == Numbering::OldRar) {
        if (number >= OLD_RAR_VOLUMES) return std::nullopt;
        length = std::snprintf(text, sizeof text, "%c%02d", 'r' + number / 100, number % 100);
    } else {
        length = std::snprintf(text, sizeof text, "%0*d", static_cast<int>(scheme.width), number);
    }
    if (length < 0 || std::size_t(length) >= sizeof text) return std::nullopt;
    return scheme.stem + std::string(text, std::size_t(length)) + scheme.tail;
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

    const bool spanned = scheme->numbering == Numbering::SpannedZip;
    const bool givenIsZip = spanned && scheme->next == FIRST_SPANNED_PART;
    // X.zip without any X.zNN beside it is a zip of its own.
    if (givenIsZip && highest < FIRST_SPANNED_PART) return set;
    // The first volume itself may be what is missing, when a later one is here.
    if (!givenIsZip && !present.contains(platform::ToUpperAscii(split.name))) {
        if (highest >= scheme->next) set.missingVolume = split.name;
        return set;
    }
    if (givenIsZip) set.paths.clear();

    for (int number = givenIsZip ? FIRST_SPANNED_PART : scheme->next;; ++number) {
        const std::optional<std::string> name = VolumeName(*scheme, number);
        if (!name) break;
        const auto found = present.find(platform::ToUpperAscii(*name));
        if (found == present.end()) {
            if (highest > number) set.missingVolume = *name;
            if (!spanned) set.nextVolume = *name;
            break;
        }
        set.paths.push_back(platform::JoinPath(folder, found->second));
    }
    if (spanned) {
        // The zip of the set comes last, whichever volume the set was found by.
        const std::string zip = scheme->stem.substr(0, scheme->stem.size() - 1) + "zip";
        const auto found = present.find(platform::ToUpperAscii(zip));
        if (found == present.end()) {
            if (set.missingVolume.empty()) set.missingVolume = zip;
            set.nextVolume = zip;
        } else {
            set.paths.push_back(platform::JoinPath(folder, found->second));
        }
    }
    return set;
}

std::optional<std::string> FirstVolumeOfLaterOnes(const std::string& basePath,
                                                  const std::vector<std::string>& names) {
    const platform::PathSplit split = platform::SplitAtLastSeparator(basePath);
    const std::string folder = platform::ListableFolder(split);
    const std::string stem = split.name + ".";
    for (const std::string& name : names) {
        if (name.size() <= stem.size() || !platform::StartsWithIgnoreCase(name, stem)) continue;
        const std::string_view rest = std::string_view(name).substr(stem.size());
        std::string first;
        if (rest.size() > 8 && platform::StartsWithIgnoreCase(rest, "part") &&
            platform::EqualsIgnoreCase(rest.substr(rest.size() - 4), ".rar")) {
            const std::string_view digits = rest.substr(4, rest.size() - 8);
            if (!IsDigits(digits) || digits.size() > 3 || NumberOf(digits) < 2) continue;
            first = std::string(rest.substr(0, 4)) + std::string(digits.size() - 1, '0') + "1" +
                    std::string(rest.substr(rest.size() - 4));
        } else if (rest.size() == 3 && IsDigits(rest)) {
            if (NumberOf(rest) < 2) continue;
            first = "001";
        } else if (rest.size() == 3 && IsDigits(rest.substr(1))) {
            const char letter = platform::ToLowerAscii(rest[0]);
            if (letter == 'z' && NumberOf(rest.substr(1)) >= 2) {
                first = std::string(1, rest[0]) + "01";
            } else if (letter >= 'r' && letter < 'z') {
                first = rest[0] == letter ? "rar" : "RAR";
            } else {
                continue;
            }
        } else {
            continue;
        }
        return platform::JoinPath(folder, stem + first);
    }
    return std::nullopt;
}

bool IsPartSuffix(std::string_view suffix) {
    constexpr std::string_view PREFIX = ".part";
    if (!platform::StartsWithIgnoreCase(suffix, PREFIX)) return false;
    const std::string_view digits = suffix.substr(PREFIX.size());
    return digits.size() <= 3 && IsDigits(digits) && NumberOf(digits) >= 1;
}
