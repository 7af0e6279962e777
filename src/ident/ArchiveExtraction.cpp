#include "ident/ArchiveExtraction.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "ident/ArchiveVolumes.h"
#include "platform/FileOps.h"

namespace {

// Read size of the archive files: large reads keep the decoder fed.
constexpr std::size_t READ_BLOCK = 1 << 20;

struct ArchiveCloser {
    void operator()(archive* reader) const { archive_read_free(reader); }
};
using ArchiveReader = std::unique_ptr<archive, ArchiveCloser>;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor() {
        if (fd >= 0) close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd; }
    // Closes now, so that a failure of the last write shows; false when it failed.
    bool Close() {
        const int closing = fd;
        fd = -1;
        return close(closing) == 0;
    }

private:
    int fd;
};

// Archives store names in UTF-16 or in legacy code pages, which the library
// converts to the character set of the current locale; under the plain C
// locale every non-ASCII name is lost. For the time of an extraction the
// calling thread uses a UTF-8 locale (the program's own text encoding); the
// rest of the program is not affected.
class Utf8LocaleOnThisThread {
public:
    Utf8LocaleOnThisThread() : utf8(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0))) {
        if (utf8 != locale_t(0)) previous = uselocale(utf8);
    }
    ~Utf8LocaleOnThisThread() {
        if (utf8 == locale_t(0)) return;
        uselocale(previous);
        freelocale(utf8);
    }
    Utf8LocaleOnThisThread(const Utf8LocaleOnThisThread&) = delete;
    Utf8LocaleOnThisThread& operator=(const Utf8LocaleOnThisThread&) = delete;

private:
    locale_t utf8;
    locale_t previous = locale_t(0);
};

ExtractionResult Failure(std::string message) {
    return {false, std::move(message)};
}

std::string LibraryError(archive* reader) {
    const char* text = archive_error_string(reader);
    return text != nullptr && *text != '\0' ? text : "The archive could not be read.";
}

std::string NoSpaceMessage(const std::string& name) {
    return "Not enough free space in the temporary folder to extract " + name + ".";
}

// The last component of an entry's name. Archives made on Windows may
// separate folders with '\', which counts as a separator here too.
std::string LastComponent(const char* pathname) {
    const std::string_view name(pathname);
    const std::size_t separator = name.find_last_of("/\\");
    return std::string(separator == std::string_view::npos ? name : name.substr(separator + 1));
}

bool IsPlainFile(archive_entry* entry) {
    return archive_entry_filetype(entry) == AE_IFREG && archive_entry_hardlink(entry) == nullptr &&
           archive_entry_symlink(entry) == nullptr;
}

std::uint64_t FreeBytes(int folderFd) {
    struct statvfs space;
    if (fstatvfs(folderFd, &space) != 0) return UINT64_MAX;
    return std::uint64_t(space.f_bavail) * space.f_frsize;
}

bool WriteAt(int fd, const char* data, std::size_t length, std::int64_t offset) {
    while (length > 0) {
        const ssize_t written = pwrite(fd, data, length, offset);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

std::string WriteError(const std::string& name, int error) {
    if (error == ENOSPC || error == EDQUOT) return NoSpaceMessage(name);
    return "Cannot write " + name + ": " + std::strerror(error);
}

// Streams the data of the current entry into `name` inside the folder,
// replacing a file of that name.
ExtractionResult WriteEntry(archive* reader, archive_entry* entry, int folderFd,
                            const std::string& name) {
    if (unlinkat(folderFd, name.c_str(), 0) != 0 && errno != ENOENT) {
        return Failure(WriteError(name, errno));
    }
    // The size an entry declares is checked before anything is written; the
    // data itself may be larger than declared and is checked as it comes.
    const std::uint64_t freeBytes = FreeBytes(folderFd);
    if (archive_entry_size_is_set(entry) &&
        std::uint64_t(std::max<la_int64_t>(0, archive_entry_size(entry))) > freeBytes) {
        return Failure(NoSpaceMessage(name));
    }
    FileDescriptor file(
        openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.Get() < 0) return Failure(WriteError(name, errno));

    for (;;) {
        const void* block = nullptr;
        std::size_t length = 0;
        la_int64_t offset = 0;
        const int status = archive_read_data_block(reader, &block, &length, &offset);
        if (status == ARCHIVE_EOF) break;
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN) return Failure(LibraryError(reader));
        if (offset < 0) return Failure(LibraryError(reader));
        if (std::uint64_t(offset) + length > freeBytes) return Failure(NoSpaceMessage(name));
        if (!WriteAt(file.Get(), static_cast<const char*>(block), length, offset)) {
            return Failure(WriteError(name, errno));
        }
    }
    if (!file.Close()) return Failure(WriteError(name, errno));
    return {true, {}};
}

}  // namespace

ExtractionResult ExtractFlat(const std::string& archivePath, const std::string& folder) {
    const VolumeSet volumes = GatherVolumes(archivePath);
    if (!volumes.missingVolume.empty()) {
        return Failure("The volume " + volumes.missingVolume + " of this archive is missing.");
    }

    FileDescriptor folderFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folderFd.Get() < 0) {
        return Failure("Cannot open the extraction folder " + folder + ": " + std::strerror(errno));
    }

    const Utf8LocaleOnThisThread utf8Names;
    ArchiveReader reader(archive_read_new());
    if (!reader) return Failure("Out of memory.");
    // The families the extractors stand for, and nothing else: in particular
    // no format that reads files named inside it from the local disk.
    archive_read_support_format_zip(reader.get());
    archive_read_support_format_rar(reader.get());
    archive_read_support_format_rar5(reader.get());
    archive_read_support_format_7zip(reader.get());
    archive_read_support_format_lha(reader.get());
    archive_read_support_format_cab(reader.get());

    std::vector<const char*> names;
    for (const auto& path : volumes.paths) names.push_back(path.c_str());
    names.push_back(nullptr);
    if (archive_read_open_filenames(reader.get(), names.data(), READ_BLOCK) != ARCHIVE_OK) {
        return Failure(LibraryError(reader.get()));
    }

    for (;;) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN) {
            return Failure(LibraryError(reader.get()));
        }
        if (!IsPlainFile(entry)) continue;
        // A name that cannot be converted is skipped like any unusable name.
        const char* pathname = archive_entry_pathname_utf8(entry);
        if (pathname == nullptr) continue;
        const std::string name = LastComponent(pathname);
        if (!platform::IsPlainName(name)) continue;

        ExtractionResult written = WriteEntry(reader.get(), entry, folderFd.Get(), name);
        if (!written.succeeded) return written;
    }
    return {true, {}};
}
