#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The volumes of a multi-volume archive, found from its first volume by the
// naming schemes archivers use:
//   X.part1.rar, X.part01.rar, X.part001.rar and the next numbers, same width;
//   X.rar followed by X.r00, X.r01 ... X.r99, X.s00 ...;
//   X.7z.001 (any X.ext.001 and other numbered names) followed by .002, .003 ...
//   X.z01, X.z02 ... and last X.zip (a spanned zip, found by X.zip or X.z01).
// Names are matched ignoring ASCII case, as the rest of the program does.
struct VolumeSet {
    std::vector<std::string> paths;  // the first volume, then the following ones in order
    // The name of the first volume that is missing while a later one is
    // present (the first volume itself included); empty when the set is
    // complete as far as names tell.
    std::string missingVolume;
    // The name the volume after the last one found would have: the volume to
    // blame when the set ends before its data does. Empty for an archive
    // whose name follows no volume scheme.
    std::string nextVolume;
};

VolumeSet GatherVolumes(const std::string& firstVolume);

// For a candidate that has no first volume (`basePath` is the candidate,
// `names` the names of its folder that begin with its name): the path its
// first volume would have when one of `names` is a later volume of a set
// (X.part2.rar, X.r00, X.z02, X.7z.002); nothing otherwise.
std::optional<std::string> FirstVolumeOfLaterOnes(const std::string& basePath,
                                                  const std::vector<std::string>& names);

// ".part" in any ASCII case followed by a volume number 1 to 999 in one, two
// or three digits (.part1, .Part01, .PART001; not .part0, .part00, .part0001):
// the suffix every volume of a multi-part archive carries, which survives a
// rename. Windows archivers often write it with a capital letter.
bool IsPartSuffix(std::string_view suffix);
