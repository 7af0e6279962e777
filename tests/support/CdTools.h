#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// What the libcdio tools make of an image. `source` is the tools' option for
// the kind of image: "--cue-file", "--nrg-file".

// cd-info's track list: the first sector (LSN) of every track, then of the
// lead-out; empty when cd-info cannot read the image.
std::vector<std::int64_t> CdInfoTrackSectors(const std::string& source, const std::string& image);

// cd-read's blocks: `count` sectors from `start` read in `mode` ("audio" gives
// 2352 bytes a sector, "m1f1" and "m2f1" 2048); empty when cd-read fails.
std::string CdReadBlocks(const std::string& source, const std::string& image,
                         const std::string& mode, std::int64_t start, std::int64_t count);

// The 2048 bytes after `headerBytes` of each 2352-byte frame: the user data of
// a raw data sector (16 bytes of header in Mode 1, 24 in Mode 2), or of an
// audio sector (none) as the image readers return it.
std::string UserDataOfFrames(const std::string& frames, std::size_t headerBytes = 0);

}  // namespace testsupport
