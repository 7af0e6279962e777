#include "verify/TrackHash.h"

#include <nettle/sha1.h>

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/ReadOnlyFile.h"

namespace {

// Blocks passed from the reading thread to the hashing one: each is filled
// by one and hashed by the other, in turn.
constexpr std::size_t BLOCKS_IN_FLIGHT = 3;

struct Block {
    std::vector<unsigned char> bytes = std::vector<unsigned char>(HASH_BLOCK_BYTES);
    std::size_t length = 0;
    bool full = false;  // filled, waiting for the hasher
};

class Pipeline {
public:
    // Run by the reading thread: fills the blocks in turn until the end, a
    // failed read, or the hasher gave up.
    void Read(const platform::RangeReader& read, std::uint64_t size) {
        std::uint64_t offset = 0;
        for (std::size_t next = 0; offset < size; next = (next + 1) % BLOCKS_IN_FLIGHT) {
            Block& block = blocks[next];
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return !block.full || stopped; });
                if (stopped) return;
            }
            const std::size_t wanted =
                std::size_t(std::min<std::uint64_t>(size - offset, HASH_BLOCK_BYTES));
            const std::optional<std::size_t> got = read(block.bytes.data(), wanted, offset);
            // The CRC costs a fraction of what SHA-1 does, so it is taken here,
            // while the block is warm, and the hasher does SHA-1 alone.
            if (got && *got == wanted) crc = platform::Crc32Update(crc, block.bytes.data(), wanted);
            std::lock_guard lock(mutex);
            if (!got || *got != wanted) {
                failed = true;
                changed.notify_all();
                return;
            }
            offset += wanted;
            block.length = wanted;
            block.full = true;
            changed.notify_all();
        }
    }

    // Run by the calling thread: hashes the blocks in the order they were read.
    bool Hash(std::uint64_t size, TrackHash& hash) {
        sha1_ctx sha;
        sha1_init(&sha);
        std::uint64_t hashed = 0;
        for (std::size_t next = 0; hashed < size; next = (next + 1) % BLOCKS_IN_FLIGHT) {
            Block& block = blocks[next];
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return block.full || failed; });
                if (!block.full) return false;
            }
            sha1_update(&sha, block.length, block.bytes.data());
            hashed += block.length;
            std::lock_guard lock(mutex);
            block.full = false;
            changed.notify_all();
        }
        std::array<std::uint8_t, SHA1_DIGEST_SIZE> digest;
        sha1_digest(&sha, digest.size(), digest.data());
        constexpr char DIGITS[] = "0123456789abcdef";
        hash.sha1.clear();
        for (const std::uint8_t byte : digest) {
            hash.sha1 += DIGITS[byte >> 4];
            hash.sha1 += DIGITS[byte & 0xF];
        }
        hash.size = size;
        return true;
    }

    // The CRC-32 of everything read; the reader must have ended.
    std::uint32_t Crc() const { return crc; }

    // Tells the reader to end early (the hasher returned without the end).
    void Stop() {
        std::lock_guard lock(mutex);
        stopped = true;
        changed.notify_all();
    }

private:
    std::array<Block, BLOCKS_IN_FLIGHT> blocks;
    std::mutex mutex;
    std::condition_variable changed;
    bool failed = false;
    bool stopped = false;
    std::uint32_t crc = 0;  // the reader's alone until it ends
};

}  // namespace

bool HashBytes(const platform::RangeReader& read, std::uint64_t size, TrackHash& hash) {
    Pipeline pipeline;
    std::thread reader([&] { pipeline.Read(read, size); });
    const bool hashed = pipeline.Hash(size, hash);
    pipeline.Stop();
    reader.join();
    hash.crc = pipeline.Crc();
    return hashed;
}

bool HashFile(const std::string& path, TrackHash& hash, std::string& problem,
              const std::function<bool()>& cancelled) {
    const platform::ReadOnlyFile file(path);
    if (!file.IsOpen()) {
        problem = file.Status() == platform::FileStatus::Missing      ? "is missing"
                  : file.Status() == platform::FileStatus::NotRegular ? "is no regular file"
                                                                      : "cannot be opened";
        return false;
    }
    file.AdviseSequential();
    const bool hashed = HashBytes(
        [&file, &cancelled](void* into, std::size_t length,
                            std::uint64_t offset) -> std::optional<std::size_t> {
            if (cancelled && cancelled()) return std::nullopt;
            return file.ReadAt(into, length, offset);
        },
        file.Size(), hash);
    if (!hashed) problem = "cannot be read";
    return hashed;
}
