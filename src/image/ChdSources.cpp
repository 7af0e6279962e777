#include "image/ChdSources.h"

#include <algorithm>
#include <utility>

ChdTrackByteSource::ChdTrackByteSource(std::shared_ptr<const ChdFile> chd, std::uint64_t firstFrame,
                                       std::uint64_t frames, std::uint32_t sectorBytes, bool audio)
    : chd(std::move(chd)),
      firstFrame(firstFrame),
      frames(frames),
      sectorBytes(sectorBytes),
      framesPerHunk(this->chd->HunkBytes() / CD_FRAME_BYTES),
      audio(audio) {}

std::optional<std::size_t> ChdTrackByteSource::ReadAt(void* into, std::size_t length,
                                                      std::uint64_t offset) const {
    const std::uint64_t size = Size();
    if (offset >= size) return 0;
    const std::size_t total = std::size_t(std::min<std::uint64_t>(length, size - offset));
    auto* out = static_cast<unsigned char*>(into);
    unsigned char sector[CD_FRAME_BYTES];
    for (std::size_t done = 0; done < total;) {
        const std::uint64_t frame = firstFrame + (offset + done) / sectorBytes;
        const std::size_t inSector = std::size_t((offset + done) % sectorBytes);
        const std::size_t piece = std::min<std::size_t>(total - done, sectorBytes - inSector);
        const std::uint64_t hunk = frame / framesPerHunk;
        const std::size_t inHunk = std::size_t(frame % framesPerHunk) * CD_FRAME_BYTES;
        if (!audio) {
            if (!chd->ReadHunk(hunk, inHunk + inSector, piece, out + done)) return std::nullopt;
        } else {
            // Whole samples are swapped, so the sector is read whole.
            if (!chd->ReadHunk(hunk, inHunk, sectorBytes, sector)) return std::nullopt;
            for (std::size_t i = 0; i + 1 < sectorBytes; i += 2)
                std::swap(sector[i], sector[i + 1]);
            std::copy_n(sector + inSector, piece, out + done);
        }
        done += piece;
    }
    return total;
}

ConcatenatedByteSource::ConcatenatedByteSource(std::vector<std::shared_ptr<const ByteSource>> parts)
    : parts(std::move(parts)) {
    for (const auto& part : this->parts) size += part->Size();
}

std::optional<std::size_t> ConcatenatedByteSource::ReadAt(void* into, std::size_t length,
                                                          std::uint64_t offset) const {
    auto* out = static_cast<unsigned char*>(into);
    std::size_t done = 0;
    std::uint64_t partStart = 0;
    for (const auto& part : parts) {
        const std::uint64_t partEnd = partStart + part->Size();
        const std::uint64_t at = offset + done;
        if (done < length && at >= partStart && at < partEnd) {
            const std::size_t piece =
                std::size_t(std::min<std::uint64_t>(length - done, partEnd - at));
            const std::optional<std::size_t> got = part->ReadAt(out + done, piece, at - partStart);
            if (!got || *got != piece) return std::nullopt;
            done += piece;
        }
        partStart = partEnd;
    }
    return done;
}
