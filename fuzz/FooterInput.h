#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/FooterWindow.h"

// The footer of an image from fuzz input: the first byte says how many
// kilobytes of the file lie before the bytes read (so that blocks outside the
// window are tried too), the rest are the file's last bytes.
inline FooterWindow FooterFromInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return FooterWindow();
    const std::uint64_t unseen = std::uint64_t(data[0]) * 1024;
    return FooterWindow(std::vector<unsigned char>(data + 1, data + size), unseen + size - 1);
}
