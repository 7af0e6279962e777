#include "archive/ToolExtraction.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "platform/AsciiCase.h"
#include "platform/ChildProcess.h"
#include "platform/FileDescriptor.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"

namespace {

// Deeper folders than this are no layout of a disc's files.
constexpr int MAX_DEPTH = 32;
// How often the bytes in the folder are counted while a tool runs.
constexpr auto COUNT_INTERVAL = std::chrono::milliseconds(250);
// A password no archive has: 7zz fails on an encrypted archive at once
// instead of asking for one.
constexpr const char* NO_PASSWORD = "(none)";

// A path the tools cannot take for an option.
std::string AsOperand(const std::string& path) {
    return path.starts_with("/") ? path : "./" + path;
}

std::vector<std::string> Arguments(ExtractionTool tool, const std::string& archivePath,
                                   const std::string& folder, LegacyEncoding names) {
    if (tool == ExtractionTool::Unar) {
        // No archives inside the archive, no resource forks, no folder of its
        // own, later files replace earlier ones. Without a password it fails
        // on an encrypted archive with exit code 2; it never asks for one.
        std::vector<std::string> arguments = {"unar",
                                              "-q",
                                              "-no-recursion",
                                              "-forks",
                                              "skip",
                                              "-no-directory",
                                              "-force-overwrite",
                                              "-output-directory",
                                              AsOperand(folder)};
        if (names != LegacyEncoding::None) {
            arguments.insert(arguments.end(), {"-encoding", UnarName(names)});
        }
        arguments.push_back(AsOperand(archivePath));
        return arguments;
    }
    // 'e' extracts flat; -spd takes the archive's name literally.
    std::vector<std::string> arguments = {"7zz",        "e",     "-y",
                                          "-bd",        "-bso0", "-bsp0",
                                          "-aoa",       "-spd",  std::string("-p") + NO_PASSWORD,
                                          "-o" + folder};
    if (names != LegacyEncoding::None) {
        arguments.push_back("-mcp=" + std::to_string(CodePage(names)));
    }
    arguments.push_back(AsOperand(archivePath));
    return arguments;
}

// The names in an open folder, "." and ".." left out; none when it cannot be
// listed.
std::vector<std::string> NamesIn(int folderFd) {
    std::vector<std::string> names;
    const int listed = dup(folderFd);
    DIR* folder = listed >= 0 ? fdopendir(listed) : nullptr;
    if (folder == nullptr) {
        if (listed >= 0) close(listed);
        return names;
    }
    while (const dirent* entry = readdir(folder)) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") names.emplace_back(name);
    }
    closedir(folder);
    return names;
}

// The bytes of the regular files below a folder, links not followed.
std::uint64_t BytesBelow(int folderFd, int depth) {
    if (depth > MAX_DEPTH) return 0;
    std::uint64_t total = 0;
    for (const std::string& name : NamesIn(folderFd)) {
        struct stat status;
        if (fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(status.st_mode)) total += std::uint64_t(status.st_size);
        if (!S_ISDIR(status.st_mode)) continue;
        const platform::FileDescriptor sub(
            openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (sub.Get() >= 0) total += BytesBelow(sub.Get(), depth + 1);
    }
    return total;
}

std::uint64_t BytesIn(const std::string& folder) {
    const platform::FileDescriptor fd(
        open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return fd.Get() >= 0 ? BytesBelow(fd.Get(), 0) : 0;
}

bool SaysEncrypted(ExtractionTool tool, const platform::ChildResult& run) {
    const std::string output = platform::ToLowerAscii(run.output);
    return (tool == ExtractionTool::Unar && run.exitCode == 2) ||
           output.find("password") != std::string::npos;
}

bool SaysNoSpace(const platform::ChildResult& run) {
    const std::string output = platform::ToLowerAscii(run.output);
    return output.find("no space") != std::string::npos ||
           output.find("disk full") != std::string::npos;
}

std::string FirstLine(const std::string& text) {
    const std::size_t start = text.find_first_not_of("\r\n ");
    if (start == std::string::npos) return {};
    return text.substr(start, text.find_first_of("\r\n", start) - start);
}

// Moves every regular file below `folderFd` into `topFd` and removes what
// else is there; counts the files moved or kept.
void Settle(int topFd, int folderFd, const std::string& path, int depth, std::size_t& files) {
    for (const std::string& name : NamesIn(folderFd)) {
        struct stat status;
        if (fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(status.st_mode)) {
            const platform::FileDescriptor sub(
                depth < MAX_DEPTH ? openat(folderFd, name.c_str(),
                                           O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                                  : -1);
            if (sub.Get() >= 0) {
                Settle(topFd, sub.Get(), platform::JoinPath(path, name), depth + 1, files);
            }
            platform::RemoveTree(platform::JoinPath(path, name));
        } else if (S_ISREG(status.st_mode) && status.st_nlink == 1) {
            if (depth == 0 || renameat(folderFd, name.c_str(), topFd, name.c_str()) == 0) {
                ++files;
            } else {
                unlinkat(folderFd, name.c_str(), 0);
            }
        } else {
            // Links, devices, pipes, sockets, and a second name of a file
            // that may lie anywhere.
            unlinkat(folderFd, name.c_str(), 0);
        }
    }
}

}  // namespace

std::vector<ExtractionTool> SecondExtractorsFor(ArchiveFormat format) {
    switch (format) {
        case ArchiveFormat::SevenZip:
            return {ExtractionTool::SevenZip};
        case ArchiveFormat::Zip:
            return {ExtractionTool::Unar, ExtractionTool::SevenZip};
        case ArchiveFormat::Rar:
        case ArchiveFormat::Lzh:
        case ArchiveFormat::Cab:
        case ArchiveFormat::SelfExtracting:
            return {ExtractionTool::Unar};
        case ArchiveFormat::Unknown:
            break;
    }
    return {};
}

std::optional<ExtractionResult> ExtractWithTool(ExtractionTool tool, const std::string& archivePath,
                                                const std::string& folder, LegacyEncoding names,
                                                const ExtractionOptions& options) {
    const std::string archiveName = platform::SplitAtLastSeparator(archivePath).name;
    bool stopped = false;
    bool tooLarge = false;
    auto lastCount = std::chrono::steady_clock::now();
    platform::ChildOptions child;
    child.writableFolder = folder;
    child.maxFileBytes = options.maxBytes;
    child.keepRunning = [&] {
        stopped = options.StopRequested();
        const auto now = std::chrono::steady_clock::now();
        if (!stopped && now - lastCount >= COUNT_INTERVAL) {
            lastCount = now;
            tooLarge = BytesIn(folder) > options.maxBytes;
        }
        return !stopped && !tooLarge;
    };
    const platform::ChildResult run =
        platform::RunChild(Arguments(tool, archivePath, folder, names), child);
    if (!run.started) return std::nullopt;
    // Stop counts whenever it came, also when the tool was done before it
    // was asked.
    if (stopped || options.StopRequested()) {
        return FailedExtraction(ExtractionFailure::Stopped, archiveName);
    }
    if (tooLarge || run.fileTooLarge) {
        return FailedExtraction(ExtractionFailure::TooLarge, archiveName);
    }
    if (run.exitCode != 0) {
        if (SaysEncrypted(tool, run)) {
            return FailedExtraction(ExtractionFailure::Encrypted, archiveName);
        }
        if (SaysNoSpace(run)) return FailedExtraction(ExtractionFailure::NoSpace, archiveName);
        return FailedExtraction(ExtractionFailure::Refused, archiveName, FirstLine(run.output));
    }
    ExtractionResult settled = SettleExtractedFiles(folder, archiveName);
    if (settled.Succeeded() && BytesIn(folder) > options.maxBytes) {
        return FailedExtraction(ExtractionFailure::TooLarge, archiveName);
    }
    return settled;
}

ExtractionResult SettleExtractedFiles(const std::string& folder, const std::string& archiveName) {
    const platform::FileDescriptor top(
        open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (top.Get() < 0) return FailedExtraction(ExtractionFailure::WriteFailed, folder);
    std::size_t files = 0;
    Settle(top.Get(), top.Get(), folder, 0, files);
    if (files == 0) return FailedExtraction(ExtractionFailure::NothingExtracted, archiveName);
    return {};
}
