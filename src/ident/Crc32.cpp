#include "ident/Crc32.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

std::uint32_t Crc32Update(std::uint32_t previous, const void* data, std::size_t length) {
    return libdeflate_crc32(previous, data, length);
}

std::string CrcText(std::uint32_t crc) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(crc));
    return text;
}

std::string WholeFileCrcText(const std::string& path) {
    // Small enough to stay in the second-level cache, so the checksum reads
    // what the copy from the page cache has just brought in.
    constexpr std::size_t BLOCK = 256 * 1024;

    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return CRC_UNREADABLE;
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    auto block = std::make_unique<unsigned char[]>(BLOCK);
    std::uint32_t crc = 0;
    bool ok = true;
    for (;;) {
        const ssize_t got = read(fd, block.get(), BLOCK);
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (got == 0) break;
        crc = Crc32Update(crc, block.get(), static_cast<std::size_t>(got));
    }
    close(fd);
    return ok ? CrcText(crc) : CRC_UNREADABLE;
}
