#include "ident/ArchiveExtraction.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
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

// The volumes of a set as one stream for the library. Each volume is opened
// when the reader comes to it, without blocking and only when it is a
// regular file: a FIFO or device named like an archive is refused instead of
// stopping the run for good. The stream also notes when the reader asked
// for data beyond the end of the last volume, which tells a set that lacks
// its next volume from a damaged one.
class VolumeStream {
public:
    explicit VolumeStream(const std::vector<std::string>& paths) : buffer(READ_BLOCK) {
        for (std::size_t index = 0; index < paths.size(); ++index) {
            volumes.push_back({this, paths[index], index, -1});
        }
    }
    ~VolumeStream() {
        for (Volume& volume : volumes) Close(volume);
    }
    VolumeStream(const VolumeStream&) = delete;
    VolumeStream& operator=(const VolumeStream&) = delete;

    int Open(archive* reader) {
        archive_read_set_open_callback(reader, OpenVolume);
        archive_read_set_read_callback(reader, ReadVolume);
        archive_read_set_skip_callback(reader, SkipVolume);
        archive_read_set_seek_callback(reader, SeekVolume);
        archive_read_set_close_callback(reader, CloseVolume);
        archive_read_set_switch_callback(reader, SwitchVolume);
        archive_read_set_callback_data(reader, &volumes.front());
        for (std::size_t index = 1; index < volumes.size(); ++index) {
            archive_read_append_callback_data(reader, &volumes[index]);
        }
        return archive_read_open1(reader);
    }

    bool Exhausted() const { return exhausted; }

private:
    struct Volume {
        VolumeStream* stream;
        std::string path;
        std::size_t index;
        int fd;
    };

    static Volume& Of(void* data) { return *static_cast<Volume*>(data); }

    static bool Opened(archive* reader, Volume& volume) {
        if (volume.fd >= 0) return true;
        const int fd = open(volume.path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            archive_set_error(reader, errno, "Cannot open %s: %s", volume.path.c_str(),
                              std::strerror(errno));
            return false;
        }
        struct stat status;
        if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            close(fd);
            archive_set_error(reader, EINVAL, "%s is not a regular file", volume.path.c_str());
            return false;
        }
        volume.fd = fd;
        return true;
    }

    static void Close(Volume& volume) {
        if (volume.fd >= 0) close(volume.fd);
        volume.fd = -1;
    }

    static int OpenVolume(archive* reader, void* data) {
        return Opened(reader, Of(data)) ? ARCHIVE_OK : ARCHIVE_FATAL;
    }

    static la_ssize_t ReadVolume(archive* reader, void* data, const void** block) {
        Volume& volume = Of(data);
        if (!Opened(reader, volume)) return -1;
        VolumeStream& stream = *volume.stream;
        *block = stream.buffer.data();
        for (;;) {
            const ssize_t count = read(volume.fd, stream.buffer.data(), stream.buffer.size());
            if (count < 0 && errno == EINTR) continue;
            if (count < 0) {
                archive_set_error(reader, errno, "Cannot read %s", volume.path.c_str());
            } else if (count == 0 && volume.index + 1 == stream.volumes.size()) {
                stream.exhausted = true;
            }
            return count;
        }
    }

    static la_int64_t SkipVolume(archive* reader, void* data, la_int64_t request) {
        Volume& volume = Of(data);
        struct stat status;
        if (!Opened(reader, volume) || fstat(volume.fd, &status) != 0) return ARCHIVE_FATAL;
        const off_t position = lseek(volume.fd, 0, SEEK_CUR);
        if (position < 0 || request < 0) return 0;
        const off_t target = std::min<off_t>(status.st_size, position + request);
        return lseek(volume.fd, target, SEEK_SET) < 0 ? ARCHIVE_FATAL : target - position;
    }

    static la_int64_t SeekVolume(archive* reader, void* data, la_int64_t offset, int whence) {
        Volume& volume = Of(data);
        if (!Opened(reader, volume)) return ARCHIVE_FATAL;
        const off_t position = lseek(volume.fd, offset, whence);
        return position < 0 ? ARCHIVE_FATAL : position;
    }

    static int CloseVolume(archive*, void* data) {
        Close(Of(data));
        return ARCHIVE_OK;
    }

    static int SwitchVolume(archive* reader, void* from, void* to) {
        if (from != nullptr) Close(Of(from));
        return to == nullptr || Opened(reader, Of(to)) ? ARCHIVE_OK : ARCHIVE_FATAL;
    }

    std::vector<Volume> volumes;
    std::vector<char> buffer;
    bool exhausted = false;
};

ExtractionResult Failure(std::string message) {
    return {false, std::move(message)};
}

std::string LibraryError(archive* reader) {
    const char* text = archive_error_string(reader);
    return text != nullptr && *text != '\0' ? text : "The archive could not be read.";
}

std::string MissingVolumeMessage(const std::string& volume) {
    return "The volume " + volume + " of this archive is missing.";
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

// A set of several volumes whose data runs past the end of its last volume
// lacks the volume after it: the check by name cannot see a missing last
// volume.
bool EndsEarly(const VolumeSet& volumes, const VolumeStream& stream) {
    return stream.Exhausted() && volumes.paths.size() > 1 && !volumes.nextVolume.empty();
}

// An entry whose data does not hold: a checksum that does not match, more or
// fewer bytes than the archive declares, data that ends early.
std::string DamagedMessage(const std::string& name, const std::string& detail) {
    return "The entry " + name + " of this archive is damaged: " + detail;
}

// Streams the data of the current entry into `name` inside the folder,
// replacing a file of that name. Every warning of the library on the data is
// a failure: for data it is the report of a checksum or a size that does not
// hold, and a damaged image must never pass for a good one.
ExtractionResult WriteEntry(archive* reader, archive_entry* entry, int folderFd,
                            const std::string& name, const VolumeSet& volumes,
                            const VolumeStream& stream) {
    if (unlinkat(folderFd, name.c_str(), 0) != 0 && errno != ENOENT) {
        return Failure(WriteError(name, errno));
    }
    // The size an entry declares is checked before anything is written; the
    // data itself may be larger than declared and is checked as it comes.
    const std::uint64_t freeBytes = FreeBytes(folderFd);
    const bool sizeDeclared = archive_entry_size_is_set(entry);
    const std::uint64_t declaredSize =
        sizeDeclared ? std::uint64_t(std::max<la_int64_t>(0, archive_entry_size(entry))) : 0;
    if (declaredSize > freeBytes) return Failure(NoSpaceMessage(name));
    FileDescriptor file(
        openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.Get() < 0) return Failure(WriteError(name, errno));

    std::uint64_t written = 0;  // the end of the data, holes included
    for (;;) {
        const void* block = nullptr;
        std::size_t length = 0;
        la_int64_t offset = 0;
        const int status = archive_read_data_block(reader, &block, &length, &offset);
        if (status == ARCHIVE_EOF) break;
        if (status != ARCHIVE_OK) {
            if (EndsEarly(volumes, stream))
                return Failure(MissingVolumeMessage(volumes.nextVolume));
            return Failure(DamagedMessage(name, LibraryError(reader)));
        }
        if (offset < 0) return Failure(DamagedMessage(name, LibraryError(reader)));
        if (std::uint64_t(offset) + length > freeBytes) return Failure(NoSpaceMessage(name));
        if (!WriteAt(file.Get(), static_cast<const char*>(block), length, offset)) {
            return Failure(WriteError(name, errno));
        }
        written = std::max(written, std::uint64_t(offset) + length);
    }
    if (!file.Close()) return Failure(WriteError(name, errno));
    if (sizeDeclared && written != declaredSize) {
        if (written < declaredSize && EndsEarly(volumes, stream)) {
            return Failure(MissingVolumeMessage(volumes.nextVolume));
        }
        return Failure(DamagedMessage(
            name, std::to_string(written) + " bytes instead of " + std::to_string(declaredSize)));
    }
    return {true, {}};
}

}  // namespace

ExtractionResult ExtractFlat(const std::string& archivePath, const std::string& folder) {
    const VolumeSet volumes = GatherVolumes(archivePath);
    if (!volumes.missingVolume.empty()) return Failure(MissingVolumeMessage(volumes.missingVolume));

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

    VolumeStream stream(volumes.paths);
    if (stream.Open(reader.get()) != ARCHIVE_OK) return Failure(LibraryError(reader.get()));

    for (;;) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN) {
            if (EndsEarly(volumes, stream))
                return Failure(MissingVolumeMessage(volumes.nextVolume));
            return Failure(LibraryError(reader.get()));
        }
        if (!IsPlainFile(entry)) continue;
        // A name that cannot be converted is skipped like any unusable name.
        const char* pathname = archive_entry_pathname_utf8(entry);
        if (pathname == nullptr) continue;
        const std::string name = LastComponent(pathname);
        if (!platform::IsPlainName(name)) continue;

        ExtractionResult written =
            WriteEntry(reader.get(), entry, folderFd.Get(), name, volumes, stream);
        if (!written.succeeded) return written;
    }
    return {true, {}};
}
