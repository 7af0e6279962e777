#pragma once

#include <memory>
#include <string>

#include "image/ByteSource.h"

// Disc images stored compressed: CHD, and CSO or ZSO.
enum class CompressedFormat { None, Chd, Cso };

// The compressed format a file's first bytes name.
CompressedFormat CompressedFormatOf(const ByteSource& file);

// The decompressed bytes of a CHD, CSO or ZSO image: a DVD's or an ISO's
// sectors, or a CD's tracks one after the other as a single BIN file holds
// them. Null for any other file, or for one that cannot be read as its
// format. `path` names the file for the user.
std::shared_ptr<const ByteSource> DecompressedImage(std::shared_ptr<const ByteSource> file,
                                                    const std::string& path);
