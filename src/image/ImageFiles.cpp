#include "image/ImageFiles.h"

#include "platform/AsciiCase.h"
#include "platform/FileSearch.h"
#include "platform/PathText.h"

std::shared_ptr<const ByteSource> DiskImageFiles::Open(const std::string& path) const {
    return OpenFileSource(path);
}

std::optional<std::string> DiskImageFiles::FindIgnoringCase(const std::string& folder,
                                                            const std::string& name) const {
    for (const platform::FoundEntry& entry : platform::FindEntries(folder, name, "")) {
        if (!entry.isFolder) return entry.name;
    }
    return std::nullopt;
}

std::shared_ptr<const ByteSource> NotedDiskFiles::Open(const std::string& path) const {
    const std::optional<platform::FileState> state = platform::StateOf(path);
    std::shared_ptr<const ByteSource> source = OpenFileSource(path);
    // A file that is not there may come, and then a reading would find it.
    if (!source || !state) {
        unknown = true;
        return source;
    }
    for (const auto& [noted, before] : opened) {
        if (noted != path) continue;
        unknown = unknown || before != *state;
        return source;
    }
    opened.emplace_back(path, *state);
    return source;
}

std::optional<std::string> NotedDiskFiles::FindIgnoringCase(const std::string& folder,
                                                            const std::string& name) const {
    unknown = true;
    return DiskFiles().FindIgnoringCase(folder, name);
}

std::optional<std::vector<std::pair<std::string, platform::FileState>>> NotedDiskFiles::Noted()
    const {
    if (unknown) return std::nullopt;
    return opened;
}

void MemoryImageFiles::Add(const std::string& path, std::string bytes) {
    files[path] = std::make_shared<MemoryByteSource>(std::move(bytes));
}

std::shared_ptr<const ByteSource> MemoryImageFiles::Open(const std::string& path) const {
    const auto found = files.find(path);
    return found == files.end() ? nullptr : found->second;
}

std::optional<std::string> MemoryImageFiles::FindIgnoringCase(const std::string& folder,
                                                              const std::string& name) const {
    for (const auto& [path, bytes] : files) {
        const platform::PathSplit split = platform::SplitAtLastSeparator(path);
        if (platform::ListableFolder(split) == folder &&
            platform::EqualsIgnoreCase(split.name, name)) {
            return split.name;
        }
    }
    return std::nullopt;
}

const ImageFiles& DiskFiles() {
    static const DiskImageFiles disk;
    return disk;
}
