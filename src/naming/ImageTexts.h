#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The texts the rename run inserts for "%z" and "%e", computed from the image.

// The size with two decimals and the largest unit that gives a value of at
// least 1 (GB, MB, else KB), in single precision and rounded half away from
// zero: 700.00MB, 1.50GB. Values below 1 have no digit before the point
// (512 bytes give .50KB); the size 0, which the run passes when it cannot get
// the size, gives .00KB.
std::string SizeText(std::uint64_t size);

// "IMG", "BIN", "ISO", "MDF", "CDI", or for the compressed images "CHD",
// "CSO" and "ZSO", for those extensions in any letter case,
// "UnKnown" for anything else (the run passes several extensions joined with
// '+', which is unknown too).
std::string TypeText(std::string_view extension);
