#include "image/ByteSource.h"

#include <algorithm>
#include <cstring>

bool ByteSource::ReadExactly(void* into, std::size_t length, std::uint64_t offset) const {
    const std::optional<std::size_t> got = ReadAt(into, length, offset);
    return got && *got == length;
}

FileByteSource::FileByteSource(const std::string& path) : file(path) {}

std::optional<std::size_t> FileByteSource::ReadAt(void* into, std::size_t length,
                                                  std::uint64_t offset) const {
    return file.ReadAt(into, length, offset);
}

std::optional<std::size_t> MemoryByteSource::ReadAt(void* into, std::size_t length,
                                                    std::uint64_t offset) const {
    if (offset >= bytes.size()) return 0;
    const std::size_t count = std::min<std::uint64_t>(length, bytes.size() - offset);
    if (count > 0) std::memcpy(into, bytes.data() + offset, count);
    return count;
}

std::shared_ptr<const ByteSource> OpenFileSource(const std::string& path) {
    auto source = std::make_shared<FileByteSource>(path);
    if (!source->IsOpen()) return nullptr;
    return source;
}
