#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/Failure.h"
#include "platform/ReadOnlyFile.h"

namespace platform {
class FolderSnapshots;
}

// What renaming asks of the disk: whether a name is taken, moving a file or
// folder without ever replacing anything, reading and rewriting a small text
// file, dating a file. A run carries its plans out on the disk; a dry run
// carries the same plans out, by the same code, on a simulation of the disk
// that changes nothing and answers every later question as the disk would
// after the steps before it.
class FileActions {
public:
    virtual ~FileActions() = default;

    // Whether the name is taken (a link counts as itself).
    virtual bool Exists(const std::string& path) const = 0;
    // Moves a file or folder; never replaces an existing one.
    [[nodiscard]] virtual Failure Move(const std::string& from, const std::string& to) = 0;
    // A sheet's or playlist's text (at most MAX_REFERENCING_FILE bytes).
    virtual platform::SmallFile Read(const std::string& path) const = 0;
    // Rewrites a file whole, in one step: it holds the old or the new text.
    [[nodiscard]] virtual Failure Write(const std::string& path, std::string_view text) = 0;
    virtual void SetTimes(const std::string& path, std::int64_t secondsSinceEpoch) = 0;
};

// The disk itself. `listings`, when given, are the run's kept folder
// listings, which every move keeps current.
class DiskFileActions final : public FileActions {
public:
    explicit DiskFileActions(platform::FolderSnapshots* listings = nullptr) : listings(listings) {}

    bool Exists(const std::string& path) const override;
    Failure Move(const std::string& from, const std::string& to) override;
    platform::SmallFile Read(const std::string& path) const override;
    Failure Write(const std::string& path, std::string_view text) override;
    void SetTimes(const std::string& path, std::int64_t secondsSinceEpoch) override;

private:
    platform::FolderSnapshots* listings;
};

// The disk as the steps decided so far would leave it, changing nothing: a
// name an earlier move freed is free, one it took is taken, what is inside a
// folder that moved goes with it, and a rewritten file reads back as
// rewritten. A step is refused where the disk would refuse it (a taken or
// too long name, a folder that may not be changed, a missing file).
class SimulatedFileActions final : public FileActions {
public:
    explicit SimulatedFileActions(platform::FolderSnapshots* listings = nullptr)
        : listings(listings) {}

    bool Exists(const std::string& path) const override;
    Failure Move(const std::string& from, const std::string& to) override;
    platform::SmallFile Read(const std::string& path) const override;
    Failure Write(const std::string& path, std::string_view text) override;
    void SetTimes(const std::string&, std::int64_t) override {}

private:
    // Where the entry `path` names after the simulated moves stands on the
    // disk now; nothing when a move took it away.
    std::optional<std::string> OnDisk(const std::string& path) const;

    // The latest move before `bound` that took a file or folder to `path`
    // or away from it, or to or from a folder above it.
    std::optional<std::size_t> LatestMoveTouching(const std::string& path, std::size_t bound) const;

    platform::FolderSnapshots* listings;
    // Once a folder moved, the listings no longer say what the folders
    // below it hold.
    bool folderMoved = false;
    std::vector<std::pair<std::string, std::string>> moves;
    // The moves by their target and by their source: a run of thousands of
    // discs asks after each name, and the log would be walked each time.
    std::unordered_map<std::string, std::vector<std::size_t>> movesTo;
    std::unordered_map<std::string, std::vector<std::size_t>> movesFrom;
    // Texts written, under the path they stand at now.
    std::vector<std::pair<std::string, std::string>> written;
};

// The longest file name the file systems of a collection take.
inline constexpr std::size_t MAX_NAME_BYTES = 255;
