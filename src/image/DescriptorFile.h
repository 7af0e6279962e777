#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "image/FooterWindow.h"

// Reading descriptors from disk. A descriptor is read once into memory, never
// more than a fixed limit and never more than the file holds, and parsed from
// there. Data files are only looked at, never read.

// The size of a regular file that opens for reading; nothing for folders,
// devices, pipes and files that cannot be opened.
std::optional<std::uint64_t> ReadableFileSize(const std::string& path);

// The whole content of a regular file of at most `limit` bytes; nothing when
// the file is larger, missing or unreadable.
std::optional<std::string> ReadDescriptorText(const std::string& path, std::size_t limit);

// The last min(file size, `limit`) bytes of a regular file.
std::optional<FooterWindow> ReadFooter(const std::string& path, std::size_t limit);
