#include "platform/Crc32.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <boost/crc.hpp>
#include <random>

#include "platform/FileOps.h"
#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::uint32_t Reference(const std::string& data) {
    boost::crc_32_type crc;
    crc.process_bytes(data.data(), data.size());
    return crc.checksum();
}

}  // namespace

TEST(Crc32, StandardCheckValuesAndText) {
    EXPECT_EQ(platform::CrcText(platform::Crc32Update(0, "123456789", 9)), "CBF43926");
    EXPECT_EQ(platform::CrcText(platform::Crc32Update(0, "abc", 3)), "352441C2");
    EXPECT_EQ(platform::CrcText(platform::Crc32Update(0, "", 0)), "00000000");
    EXPECT_EQ(platform::CrcText(0x1A), "0000001A");
}

TEST(Crc32, MatchesTheReferenceOnRandomDataOfManyLengthsAndSplits) {
    std::mt19937 random(7);
    for (std::size_t length : {1u, 2u, 3u, 7u, 8u, 15u, 16u, 31u, 63u, 64u, 65u, 255u, 256u, 1000u,
                               4095u, 4096u, 65537u, 1000003u}) {
        std::string data(length, '\0');
        for (char& c : data) c = char(random());
        EXPECT_EQ(platform::Crc32Update(0, data.data(), length), Reference(data)) << length;
        const std::size_t split = length / 3;
        const std::uint32_t partial = platform::Crc32Update(0, data.data(), split);
        EXPECT_EQ(platform::Crc32Update(partial, data.data() + split, length - split),
                  Reference(data))
            << length;
    }
}

TEST(Crc32, CombiningTwoChecksumsGivesTheChecksumOfBothPieces) {
    std::mt19937 random(5);
    std::string data(300000, '\0');
    for (char& c : data) c = char(random());
    for (std::size_t split : {0u, 1u, 7u, 4096u, 150000u, 299999u, 300000u}) {
        const std::uint32_t first = platform::Crc32Update(0, data.data(), split);
        const std::uint32_t second =
            platform::Crc32Update(0, data.data() + split, data.size() - split);
        EXPECT_EQ(platform::Crc32Combine(first, second, data.size() - split), Reference(data))
            << split;
    }
}

TEST(Crc32, WholeFileChecksumReadsInBlocks) {
    TempDir dir;
    std::mt19937 random(11);
    // Files from 16 MiB on that are in the page cache are read in two halves at once.
    for (std::size_t length : {0u, 1u, 262143u, 262144u, 262145u, 3000000u, 20000001u}) {
        std::string data(length, '\0');
        for (char& c : data) c = char(random());
        WriteFile(dir / "image.bin", data);
        EXPECT_EQ(platform::WholeFileCrcText(dir / "image.bin"), platform::CrcText(Reference(data)))
            << length;
    }
    EXPECT_EQ(platform::WholeFileCrcText(dir / "missing.bin"), "FFFFFFFF");
    EXPECT_EQ(platform::WholeFileCrcText(dir.Path()), "FFFFFFFF");
}

TEST(Crc32, WholeFileChecksumCoversEveryByteBeyondFourGibibytes) {
    // Holes of a file in memory read fast; on a disk file system the first
    // read of 4 GiB of holes takes seconds.
    const bool haveMemoryFolder = platform::KindOf("/dev/shm") == platform::PathKind::Folder;
    TempDir dir = haveMemoryFolder ? TempDir("/dev/shm") : TempDir();
    const std::string path = dir / "dvd.iso";
    const std::uint64_t size = (1ull << 32) + 12345;
    const std::uint64_t markAt = (1ull << 32) + 1000;
    const std::string mark = "end of a very large image";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, mark.data(), mark.size(), 0), ssize_t(mark.size()));
    ASSERT_EQ(pwrite(fd, mark.data(), mark.size(), off_t(markAt)), ssize_t(mark.size()));
    ASSERT_EQ(ftruncate(fd, off_t(size)), 0);
    close(fd);

    // The expected value, built from the same bytes without reading the file.
    const std::string zeros(1 << 20, '\0');
    std::uint32_t expected = platform::Crc32Update(0, mark.data(), mark.size());
    std::uint64_t at = mark.size();
    auto zerosUntil = [&](std::uint64_t end) {
        while (at < end) {
            const std::size_t step = std::size_t(std::min<std::uint64_t>(zeros.size(), end - at));
            expected = platform::Crc32Update(expected, zeros.data(), step);
            at += step;
        }
    };
    zerosUntil(markAt);
    expected = platform::Crc32Update(expected, mark.data(), mark.size());
    at += mark.size();
    zerosUntil(size);

    EXPECT_EQ(platform::WholeFileCrcText(path), platform::CrcText(expected));
}
