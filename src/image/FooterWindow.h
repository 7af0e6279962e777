#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "image/ByteSource.h"

// The last bytes of an image file, where DiscJuggler and Nero images keep their
// track descriptors. It is read once, with its length capped, and parsed from
// memory. Positions are offsets in the whole file; the window covers the file
// from First() to its end.
class FooterWindow {
public:
    FooterWindow() = default;
    // `lastBytes` are the final bytes of a file of `fileSize` bytes.
    FooterWindow(std::vector<unsigned char> lastBytes, std::uint64_t fileSize);

    std::uint64_t FileSize() const { return fileSize; }
    std::uint64_t First() const { return fileSize - bytes.size(); }

    // True when [position, position + length) lies inside the window.
    bool Holds(std::uint64_t position, std::uint64_t length) const;

    // Numbers and bytes at a file position. Bytes outside the window read as
    // zero, as a read past the end of a file leaves them.
    std::uint16_t LE16(std::uint64_t position) const;
    std::uint32_t LE32(std::uint64_t position) const;
    std::uint16_t BE16(std::uint64_t position) const;
    std::uint32_t BE32(std::uint64_t position) const;
    std::uint64_t BE64(std::uint64_t position) const;
    unsigned char Byte(std::uint64_t position) const;
    bool Matches(std::uint64_t position, std::string_view expected) const;

private:
    void CopyOut(std::uint64_t position, unsigned char* into, std::size_t length) const;

    std::vector<unsigned char> bytes;
    std::uint64_t fileSize = 0;
};

// The last min(size, `limit`) bytes of a source as a window; nothing when
// they cannot be read.
std::optional<FooterWindow> ReadFooter(const ByteSource& source, std::size_t limit);
