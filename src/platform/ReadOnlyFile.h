#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Every read of a user's file or of a file the program keeps goes through
// this one type. Collections hold whatever a user put there: a FIFO, a socket
// or a device named game.iso must never block a run, and a folder named
// Setting.ini is not a settings file. So a file is opened without blocking,
// checked to be a regular file, and read with positional reads.
namespace platform {

// Why a file could not be opened. Missing and Unreadable are different
// outcomes: a file that exists but cannot be read must never be replaced as
// if it were not there.
enum class FileStatus {
    Opened,
    Missing,     // no such file (or a path through something that is no folder)
    NotRegular,  // a folder, FIFO, socket or device
    Unreadable,  // exists, but cannot be opened or read (permissions, I/O error)
};

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path);
    ~ReadOnlyFile();
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool IsOpen() const { return fd >= 0; }
    FileStatus Status() const { return status; }
    // The size when the file was opened.
    std::uint64_t Size() const { return size; }
    // The open descriptor, for hints and for libraries that read from one.
    int Descriptor() const { return fd; }

    // Reads up to `length` bytes from `offset`: fewer only at the end of the
    // file. Nothing on a read error.
    std::optional<std::size_t> ReadAt(void* into, std::size_t length, std::uint64_t offset) const;

    // Reads exactly `length` bytes from `offset`; false on a read error or
    // when the file ends before.
    bool ReadExactly(void* into, std::size_t length, std::uint64_t offset) const;

    // Access-pattern hints for the page cache.
    void AdviseSequential() const;
    void AdviseRandom() const;

private:
    int fd = -1;
    FileStatus status = FileStatus::Missing;
    std::uint64_t size = 0;
};

// A whole file read into memory, for the small files the program parses
// (descriptors, databases, settings, presets, languages, lists).
struct SmallFile {
    // Opened: the file was read whole. TooLarge counts as unreadable for
    // callers that need the text, but says why.
    enum class Outcome { Read, Missing, NotRegular, Unreadable, TooLarge };
    Outcome outcome = Outcome::Missing;
    std::string text;

    bool IsRead() const { return outcome == Outcome::Read; }
};

// A file is there but could not be taken in: it must not be replaced as if it
// were missing.
inline bool ExistsUnread(SmallFile::Outcome outcome) {
    return outcome == SmallFile::Outcome::Unreadable || outcome == SmallFile::Outcome::TooLarge ||
           outcome == SmallFile::Outcome::NotRegular;
}

// Text files the program reads whole: databases of tens of thousands of
// games take a few megabytes; a file beyond this is not one of them.
inline constexpr std::size_t MAX_TEXT_FILE = std::size_t(256) << 20;

// Reads a regular file of at most `limit` bytes whole.
SmallFile ReadSmallFile(const std::string& path, std::size_t limit = MAX_TEXT_FILE);

}  // namespace platform
