#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image/ByteSource.h"
#include "platform/FileOps.h"

// Where an image reader finds its files: the image or descriptor itself and
// the data files a descriptor names. The runs read from disk; tests and fuzz
// targets hand readers files held in memory.
class ImageFiles {
public:
    virtual ~ImageFiles() = default;

    // A regular file that can be read; null when it is missing, unreadable or
    // something else (a folder, a FIFO, a device).
    virtual std::shared_ptr<const ByteSource> Open(const std::string& path) const = 0;

    // The name of a file of `folder` that equals `name` ignoring ASCII case,
    // as the folder spells it (collections come from Windows file systems,
    // where GAME.BIN names game.bin).
    virtual std::optional<std::string> FindIgnoringCase(const std::string& folder,
                                                        const std::string& name) const = 0;
};

class DiskImageFiles final : public ImageFiles {
public:
    std::shared_ptr<const ByteSource> Open(const std::string& path) const override;
    std::optional<std::string> FindIgnoringCase(const std::string& folder,
                                                const std::string& name) const override;
};

// The files of the disk, noting what a reader took from them: each file it
// opened, with its state from before it was opened, and whether it searched
// a folder. What the reader found holds for as long as those files keep
// those states, when it searched no folder (the folder may have changed).
class NotedDiskFiles final : public ImageFiles {
public:
    std::shared_ptr<const ByteSource> Open(const std::string& path) const override;
    std::optional<std::string> FindIgnoringCase(const std::string& folder,
                                                const std::string& name) const override;

    // The files opened, each once, in the order they were first opened;
    // nothing when a folder was searched or a state could not be taken.
    std::optional<std::vector<std::pair<std::string, platform::FileState>>> Noted() const;

private:
    // Noted while a reader reads, which hands these files around as const.
    mutable std::vector<std::pair<std::string, platform::FileState>> opened;
    mutable bool unknown = false;
};

// Files held in memory under their paths ('/' between folders).
class MemoryImageFiles final : public ImageFiles {
public:
    void Add(const std::string& path, std::string bytes);

    std::shared_ptr<const ByteSource> Open(const std::string& path) const override;
    std::optional<std::string> FindIgnoringCase(const std::string& folder,
                                                const std::string& name) const override;

private:
    std::map<std::string, std::shared_ptr<const ByteSource>> files;
};

// The files of the disk, for readers built from a path.
const ImageFiles& DiskFiles();
