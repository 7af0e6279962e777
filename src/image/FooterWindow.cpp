#include "image/FooterWindow.h"

#include <algorithm>
#include <utility>

#include "image/ByteOrder.h"

FooterWindow::FooterWindow(std::vector<unsigned char> lastBytes, std::uint64_t fileSize)
    : bytes(std::move(lastBytes)), fileSize(std::max<std::uint64_t>(fileSize, bytes.size())) {}

bool FooterWindow::Holds(std::uint64_t position, std::uint64_t length) const {
    return position >= First() && position <= fileSize && fileSize - position >= length;
}

void FooterWindow::CopyOut(std::uint64_t position, unsigned char* into, std::size_t length) const {
    for (std::size_t i = 0; i < length; ++i) {
        into[i] = Holds(position + i, 1) ? bytes[position + i - First()] : 0;
    }
}

std::uint16_t FooterWindow::LE16(std::uint64_t position) const {
    unsigned char raw[2];
    CopyOut(position, raw, sizeof raw);
    return ReadLE16(raw);
}

std::uint32_t FooterWindow::LE32(std::uint64_t position) const {
    unsigned char raw[4];
    CopyOut(position, raw, sizeof raw);
    return ReadLE32(raw);
}

std::uint16_t FooterWindow::BE16(std::uint64_t position) const {
    unsigned char raw[2];
    CopyOut(position, raw, sizeof raw);
    return ReadBE16(raw);
}

std::uint32_t FooterWindow::BE32(std::uint64_t position) const {
    unsigned char raw[4];
    CopyOut(position, raw, sizeof raw);
    return ReadBE32(raw);
}

std::uint64_t FooterWindow::BE64(std::uint64_t position) const {
    unsigned char raw[8];
    CopyOut(position, raw, sizeof raw);
    return ReadBE64(raw);
}

unsigned char FooterWindow::Byte(std::uint64_t position) const {
    unsigned char raw;
    CopyOut(position, &raw, 1);
    return raw;
}

bool FooterWindow::Matches(std::uint64_t position, std::string_view expected) const {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (Byte(position + i) != static_cast<unsigned char>(expected[i])) return false;
    }
    return true;
}

std::optional<FooterWindow> ReadFooter(const ByteSource& source, std::size_t limit) {
    const std::uint64_t size = source.Size();
    std::vector<unsigned char> tail(std::size_t(std::min<std::uint64_t>(size, limit)));
    if (!source.ReadExactly(tail.data(), tail.size(), size - tail.size())) return std::nullopt;
    return FooterWindow(std::move(tail), size);
}
