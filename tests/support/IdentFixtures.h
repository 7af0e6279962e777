#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/IsoBuilder.h"
#include "support/RecordingHost.h"

namespace identtest {

using RecordingHost = testsupport::RecordingHost;

using testsupport::WriteDisc;

// `prefix` followed by four bytes chosen so that the whole has the CRC-32
// `crc`: the marker files of the special disc rules are known by checksum.
std::string WithCrc(const std::string& prefix, std::uint32_t crc);

// The CRC text of a file on disk (the checksum under which a boot file is known).
std::string CrcOf(const std::string& content);

// Runs a shell command in `folder`; true when it exits with 0.
bool RunIn(const std::string& folder, const std::string& command);

}  // namespace identtest
