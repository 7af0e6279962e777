#include "archive/ArchiveExtraction.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <limits.h>
#include <locale.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "archive/ArchiveVolumes.h"
#include "platform/AsciiCase.h"
#include "platform/FileDescriptor.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"
#include "platform/ReadOnlyFile.h"

namespace {

// Read size of the archive files: large reads keep the decoder fed.
constexpr std::size_t READ_BLOCK = 1 << 20;

struct ArchiveCloser {
    void operator()(archive* reader) const { archive_read_free(reader); }
};
using ArchiveReader = std::unique_ptr<archive, ArchiveCloser>;

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
// through the read-only file layer when the reader comes to it: a FIFO or
// device named like an archive is refused instead of stopping the run for
// good. The stream also notes when the reader asked for data beyond the end
// of the last volume, which tells a set that lacks its next volume from a
// damaged one.
class VolumeStream {
public:
    explicit VolumeStream(const std::vector<std::string>& paths) : buffer(READ_BLOCK) {
        volumes.reserve(paths.size());
        for (std::size_t index = 0; index < paths.size(); ++index) {
            volumes.push_back({this, paths[index], index, std::nullopt, 0});
        }
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
        std::optional<platform::ReadOnlyFile> file;
        std::uint64_t position;
    };

    static Volume& Of(void* data) { return *static_cast<Volume*>(data); }

    static bool Opened(archive* reader, Volume& volume) {
        if (volume.file) return true;
        platform::ReadOnlyFile file(volume.path);
        switch (file.Status()) {
            case platform::FileStatus::Opened:
                file.AdviseSequential();
                volume.file = std::move(file);
                volume.position = 0;
                return true;
            case platform::FileStatus::Missing:
                archive_set_error(reader, ENOENT, "%s: not found", volume.path.c_str());
                break;
            case platform::FileStatus::NotRegular:
                archive_set_error(reader, EINVAL, "%s: not a regular file", volume.path.c_str());
                break;
            case platform::FileStatus::Unreadable:
                archive_set_error(reader, EIO, "%s: cannot be read", volume.path.c_str());
                break;
        }
        return false;
    }

    static int OpenVolume(archive* reader, void* data) {
        return Opened(reader, Of(data)) ? ARCHIVE_OK : ARCHIVE_FATAL;
    }

    static la_ssize_t ReadVolume(archive* reader, void* data, const void** block) {
        Volume& volume = Of(data);
        if (!Opened(reader, volume)) return -1;
        VolumeStream& stream = *volume.stream;
        *block = stream.buffer.data();
        const std::optional<std::size_t> count =
            volume.file->ReadAt(stream.buffer.data(), stream.buffer.size(), volume.position);
        if (!count) {
            archive_set_error(reader, EIO, "Cannot read %s", volume.path.c_str());
            return -1;
        }
        volume.position += *count;
        if (*count == 0 && volume.index + 1 == stream.volumes.size()) stream.exhausted = true;
        return la_ssize_t(*count);
    }

    static la_int64_t SkipVolume(archive* reader, void* data, la_int64_t request) {
        Volume& volume = Of(data);
        if (!Opened(reader, volume)) return ARCHIVE_FATAL;
        if (request <= 0) return 0;
        const std::uint64_t target =
            std::min(volume.file->Size(), volume.position + std::uint64_t(request));
        const std::uint64_t skipped = target - std::min(target, volume.position);
        volume.position = target;
        return la_int64_t(skipped);
    }

    static la_int64_t SeekVolume(archive* reader, void* data, la_int64_t offset, int whence) {
        Volume& volume = Of(data);
        if (!Opened(reader, volume)) return ARCHIVE_FATAL;
        la_int64_t base = 0;
        if (whence == SEEK_CUR) base = la_int64_t(volume.position);
        if (whence == SEEK_END) base = la_int64_t(volume.file->Size());
        if (offset < -base) return ARCHIVE_FATAL;
        volume.position = std::uint64_t(base + offset);
        return la_int64_t(volume.position);
    }

    static int CloseVolume(archive*, void* data) {
        Of(data).file.reset();
        return ARCHIVE_OK;
    }

    static int SwitchVolume(archive* reader, void* from, void* to) {
        if (from != nullptr) Of(from).file.reset();
        return to == nullptr || Opened(reader, Of(to)) ? ARCHIVE_OK : ARCHIVE_FATAL;
    }

    std::vector<Volume> volumes;
    std::vector<char> buffer;
    bool exhausted = false;
};

std::string LibraryText(archive* reader) {
    const char* text = archive_error_string(reader);
    return text != nullptr ? text : "";
}

bool Contains(const std::string& lowerText, const char* part) {
    return lowerText.find(part) != std::string::npos;
}

// What a library text on a refusal says, as far as it can be told from it.
enum class Refusal { Encrypted, Integrity, Other };

Refusal RefusalOf(const std::string& text) {
    const std::string lower = platform::ToLowerAscii(text);
    if (Contains(lower, "encrypt") || Contains(lower, "passphrase") ||
        Contains(lower, "password")) {
        return Refusal::Encrypted;
    }
    // Data that was decoded whole and does not match its checksum or size.
    // (A "header CRC error" is how the library meets RAR 1.5 headers, which
    // the second extractor reads.)
    if (Contains(lower, "bad crc") || Contains(lower, "wrong size") ||
        (Contains(lower, "crc error") && !Contains(lower, "header crc"))) {
        return Refusal::Integrity;
    }
    return Refusal::Other;
}

// The names of 7z coders the library may not know, by their id.
std::string SevenZipCoderName(std::uint64_t id) {
    struct Coder {
        std::uint64_t id;
        const char* name;
    };
    static constexpr Coder CODERS[] = {
        {0x03, "Delta"},       {0x0A, "ARM64"},           {0x0B, "RISC-V"},
        {0x21, "LZMA2"},       {0x030101, "LZMA"},        {0x030401, "PPMd"},
        {0x040108, "Deflate"}, {0x040109, "Deflate64"},   {0x040202, "BZip2"},
        {0x03030103, "BCJ"},   {0x0303011B, "BCJ2"},      {0x03030205, "PowerPC"},
        {0x03030401, "IA64"},  {0x03030501, "ARM"},       {0x03030701, "ARM Thumb"},
        {0x03030805, "SPARC"}, {0x04F71101, "Zstandard"}, {0x04F71102, "Brotli"},
        {0x04F71104, "LZ4"},   {0x06F10701, "AES"},
    };
    for (const Coder& coder : CODERS) {
        if (coder.id == id) return coder.name;
    }
    return {};
}

// The compression method a refusal is about, as the user knows it: the
// method the library names in the format (zip, lzh), the 7z coder it does not
// know, or else the library's own words.
std::string MethodOf(archive* reader, const std::string& text) {
    const char* formatName = archive_format_name(reader);
    const std::string format = formatName != nullptr ? formatName : "";
    const std::size_t open = format.find('(');
    if (format.starts_with("ZIP") && open != std::string::npos && format.back() == ')') {
        return "zip " + format.substr(open + 1, format.size() - open - 2);
    }
    if (format.starts_with("lha -")) return "lzh " + format.substr(4);
    for (const char* marker : {"codec ID: ", "filter "}) {
        const std::size_t at = text.find(marker);
        if (at == std::string::npos) continue;
        const char* digits = text.data() + at + std::strlen(marker);
        std::uint64_t id = 0;
        const auto [end, error] = std::from_chars(digits, text.data() + text.size(), id, 16);
        if (error != std::errc() || end == digits) continue;
        const std::string name = SevenZipCoderName(id);
        if (!name.empty()) return "7z " + name;
    }
    return text;
}

// The last component of an entry's name. Archives made on Windows may
// separate folders with '\', which counts as a separator here too.
std::string LastComponent(std::string_view name) {
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

ExtractionResult WriteError(const std::string& name, int error) {
    if (error == ENOSPC || error == EDQUOT) {
        return FailedExtraction(ExtractionFailure::NoSpace, name);
    }
    return FailedExtraction(ExtractionFailure::WriteFailed, name, std::strerror(error));
}

// A reader of the families the extractors stand for, and nothing else: in
// particular no format that reads files named inside it from the local disk.
// `lzhCharset`: how LZH names are to be decoded (the library's own way when
// empty).
ArchiveReader NewReader(LegacyEncoding lzhCharset) {
    ArchiveReader reader(archive_read_new());
    if (!reader) return reader;
    archive_read_support_format_zip(reader.get());
    archive_read_support_format_rar(reader.get());
    archive_read_support_format_rar5(reader.get());
    archive_read_support_format_7zip(reader.get());
    archive_read_support_format_lha(reader.get());
    archive_read_support_format_cab(reader.get());
    if (lzhCharset != LegacyEncoding::None) {
        archive_read_set_format_option(reader.get(), "lha", "hdrcharset", IconvName(lzhCharset));
    }
    return reader;
}

// Whether every name of an LZH archive reads cleanly with `charset`: the
// headers are read, the data skipped.
bool LzhNamesReadWith(const VolumeSet& volumes, LegacyEncoding charset) {
    // The stream outlives the reader, whose end closes the open volume.
    VolumeStream stream(volumes.paths);
    ArchiveReader reader = NewReader(charset);
    if (!reader || stream.Open(reader.get()) != ARCHIVE_OK) return false;
    for (;;) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) return true;
        // A warning here is a name the charset could not convert.
        if (status != ARCHIVE_OK) return false;
        const char* name = archive_entry_pathname_utf8(entry);
        if (name == nullptr || !IsPlausibleName(name)) return false;
    }
}

// LZH archives say nothing of how their names are encoded, and the library
// cannot even read past a name that is not UTF-8 unless told the charset. The
// first charset under which every name reads cleanly is taken: the library's
// own way (UTF-8, or the UTF-16 names of newer archivers), then the legacy
// encodings in the order the archive's origin makes likely.
LegacyEncoding ChooseLzhCharset(const VolumeSet& volumes, const ArchiveSignature& signature) {
    if (LzhNamesReadWith(volumes, LegacyEncoding::None)) return LegacyEncoding::None;
    const std::vector<LegacyEncoding> encodings =
        LegacyEncodingsOf(signature.madeOnUnix ? NameSource::LzhFromUnix : NameSource::Lzh);
    for (LegacyEncoding encoding : encodings) {
        if (LzhNamesReadWith(volumes, encoding)) return encoding;
    }
    // No charset explains every name: the first legacy one lets the library
    // read on, and the names it cannot convert get generated names.
    return encodings.front();
}

NameSource NameSourceOf(const ArchiveSignature& signature) {
    switch (signature.format) {
        case ArchiveFormat::Zip:
            return NameSource::Zip;
        case ArchiveFormat::Cab:
            return NameSource::Cab;
        default:
            return NameSource::Other;
    }
}

std::uint64_t TotalSize(const std::vector<std::string>& paths) {
    std::uint64_t total = 0;
    for (const std::string& path : paths) total += platform::FileSizeOf(path).value_or(0);
    return total;
}

// One extraction of a set into a folder, entry by entry.
class FlatExtraction {
public:
    FlatExtraction(const std::string& archivePath, const ExtractionOptions& options)
        : archiveName(platform::SplitAtLastSeparator(archivePath).name),
          volumes(GatherVolumes(archivePath)),
          options(options) {}

    ExtractionResult Run(const std::string& folder) {
        if (!volumes.missingVolume.empty()) {
            return FailedExtraction(ExtractionFailure::MissingVolume, volumes.missingVolume);
        }
        {
            // Opened once, both to tell an unreadable archive and for its
            // signature.
            const platform::ReadOnlyFile first(volumes.paths.front());
            if (!first.IsOpen()) {
                return FailedExtraction(ExtractionFailure::Unreadable, archiveName);
            }
            signature = ReadSignature(first);
        }
        ExtractionResult result = Extract(folder);
        result.signature = signature;
        result.nameEncoding = nameEncoding;
        return result;
    }

private:
    ExtractionResult Extract(const std::string& folder) {
        // A 7z header lies at the end of the set: when the volumes end before
        // it, the last volume is missing (or the archive is cut short).
        if (signature.sevenZipEnd > TotalSize(volumes.paths)) {
            if (!volumes.nextVolume.empty()) {
                return FailedExtraction(ExtractionFailure::MissingVolume, volumes.nextVolume);
            }
            return FailedExtraction(ExtractionFailure::Damaged, archiveName);
        }
        const platform::FileDescriptor folderFd(
            open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (folderFd.Get() < 0) return WriteError(folder, errno);

        const Utf8LocaleOnThisThread utf8Names;
        const LegacyEncoding lzhCharset = signature.format == ArchiveFormat::Lzh
                                              ? ChooseLzhCharset(volumes, signature)
                                              : LegacyEncoding::None;
        nameEncoding = lzhCharset;
        // The stream outlives the reader, whose end closes the open volume.
        VolumeStream stream(volumes.paths);
        ArchiveReader reader = NewReader(lzhCharset);
        if (!reader) {
            return FailedExtraction(ExtractionFailure::WriteFailed, archiveName, "out of memory");
        }
        if (stream.Open(reader.get()) != ARCHIVE_OK) {
            // Bytes that are no archive of a known family are no archive at all.
            if (signature.format == ArchiveFormat::Unknown) {
                return FailedExtraction(ExtractionFailure::Unreadable, archiveName,
                                        LibraryText(reader.get()));
            }
            return Refused(reader.get(), stream, archiveName);
        }

        std::size_t index = 0;
        std::size_t extracted = 0;
        for (;;) {
            if (options.StopRequested()) {
                return FailedExtraction(ExtractionFailure::Stopped, archiveName);
            }
            archive_entry* entry = nullptr;
            const int status = archive_read_next_header(reader.get(), &entry);
            if (status == ARCHIVE_EOF) break;
            if (status != ARCHIVE_OK && status != ARCHIVE_WARN) {
                return Refused(reader.get(), stream, archiveName);
            }
            ++index;
            if (!IsPlainFile(entry)) continue;
            const std::string name = EntryName(entry, status, index);
            if (!platform::IsPlainName(name)) continue;
            if (archive_entry_is_encrypted(entry)) {
                return FailedExtraction(ExtractionFailure::Encrypted, name);
            }
            ExtractionResult written =
                WriteEntry(reader.get(), stream, entry, folderFd.Get(), name);
            if (!written.Succeeded()) return written;
            ++extracted;
        }
        if (extracted == 0) {
            return FailedExtraction(ExtractionFailure::NothingExtracted, archiveName);
        }
        return {};
    }

    // A set of several volumes whose data runs past the end of its last
    // volume lacks the volume after it: the check by name cannot see a
    // missing last volume.
    bool EndsEarly(const VolumeStream& stream) const {
        return stream.Exhausted() && !volumes.nextVolume.empty() &&
               (volumes.paths.size() > 1 || signature.declaresVolumes);
    }

    // The outcome when the library gives up on `subject` (an entry or the
    // archive).
    ExtractionResult Refused(archive* reader, const VolumeStream& stream,
                             const std::string& subject) const {
        if (EndsEarly(stream)) {
            return FailedExtraction(ExtractionFailure::MissingVolume, volumes.nextVolume);
        }
        const std::string text = LibraryText(reader);
        switch (RefusalOf(text)) {
            case Refusal::Encrypted:
                return FailedExtraction(ExtractionFailure::Encrypted, subject, text);
            case Refusal::Integrity:
                return FailedExtraction(ExtractionFailure::Damaged, subject, text);
            case Refusal::Other:
                break;
        }
        return FailedExtraction(ExtractionFailure::Refused,
                                SaysUnsupported(text) ? MethodOf(reader, text) : subject, text);
    }

    // The name the entry gets in the folder: the last component of its name,
    // decoded from a legacy encoding where it is not UTF-8, or a generated
    // name when nothing explains it.
    std::string EntryName(archive_entry* entry, int headerStatus, std::size_t index) {
        const char* utf8 = archive_entry_pathname_utf8(entry);
        const char* stored = archive_entry_pathname(entry);
        const std::string raw = stored != nullptr ? stored : (utf8 != nullptr ? utf8 : "");
        std::string name;
        if (utf8 != nullptr && headerStatus == ARCHIVE_OK && IsPlausibleName(utf8)) {
            name = LastComponent(utf8);
        } else {
            for (LegacyEncoding encoding : LegacyEncodingsOf(NameSourceOf(signature))) {
                if (std::optional<std::string> decoded = DecodeLegacyName(raw, encoding)) {
                    if (nameEncoding == LegacyEncoding::None) nameEncoding = encoding;
                    name = LastComponent(*decoded);
                    break;
                }
            }
        }
        // A name no file system takes is as unusable as one nothing decodes.
        if (name.empty() || name.size() > NAME_MAX) return GeneratedName(index, raw);
        return name;
    }

    // Streams the data of the current entry into `name` inside the folder,
    // replacing a file of that name. Every warning of the library on the data
    // fails the entry: for data it reports a checksum or a size that does not
    // hold, and a damaged image must never pass for a good one.
    ExtractionResult WriteEntry(archive* reader, const VolumeStream& stream, archive_entry* entry,
                                int folderFd, const std::string& name) {
        if (unlinkat(folderFd, name.c_str(), 0) != 0 && errno != ENOENT) {
            return WriteError(name, errno);
        }
        const std::uint64_t allowed = options.maxBytes - std::min(options.maxBytes, written);
        // The size an entry declares is checked before anything is written;
        // the data itself may be larger than declared and is checked as it
        // comes.
        const std::uint64_t freeBytes = FreeBytes(folderFd);
        const bool sizeDeclared = archive_entry_size_is_set(entry);
        const std::uint64_t declaredSize =
            sizeDeclared ? std::uint64_t(std::max<la_int64_t>(0, archive_entry_size(entry))) : 0;
        if (declaredSize > allowed) return FailedExtraction(ExtractionFailure::TooLarge, name);
        if (declaredSize > freeBytes) return FailedExtraction(ExtractionFailure::NoSpace, name);
        platform::FileDescriptor file(openat(
            folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (file.Get() < 0) return WriteError(name, errno);

        std::uint64_t end = 0;  // the end of the data, holes included
        for (;;) {
            if (options.StopRequested()) return FailedExtraction(ExtractionFailure::Stopped, name);
            const void* block = nullptr;
            std::size_t length = 0;
            la_int64_t offset = 0;
            const int status = archive_read_data_block(reader, &block, &length, &offset);
            if (status == ARCHIVE_EOF) break;
            if (status != ARCHIVE_OK || offset < 0) return Refused(reader, stream, name);
            const std::uint64_t blockEnd = std::uint64_t(offset) + length;
            if (blockEnd > allowed) return FailedExtraction(ExtractionFailure::TooLarge, name);
            if (blockEnd > freeBytes) return FailedExtraction(ExtractionFailure::NoSpace, name);
            if (!WriteAt(file.Get(), static_cast<const char*>(block), length, offset)) {
                return WriteError(name, errno);
            }
            end = std::max(end, blockEnd);
        }
        if (!file.Close()) return WriteError(name, errno);
        written += end;
        if (sizeDeclared && end != declaredSize) {
            if (end < declaredSize && EndsEarly(stream)) {
                return FailedExtraction(ExtractionFailure::MissingVolume, volumes.nextVolume);
            }
            return FailedExtraction(
                ExtractionFailure::Damaged, name,
                std::to_string(end) + " bytes instead of " + std::to_string(declaredSize));
        }
        return {};
    }

    const std::string archiveName;
    const VolumeSet volumes;
    const ExtractionOptions options;
    ArchiveSignature signature;
    LegacyEncoding nameEncoding = LegacyEncoding::None;
    std::uint64_t written = 0;  // bytes of the entries extracted so far
};

}  // namespace

ExtractionResult FailedExtraction(ExtractionFailure failure, std::string subject,
                                  std::string detail) {
    ExtractionResult result;
    result.failure = failure;
    result.subject = std::move(subject);
    result.detail = std::move(detail);
    return result;
}

ExtractionResult ExtractFlat(const std::string& archivePath, const std::string& folder,
                             const ExtractionOptions& options) {
    FlatExtraction extraction(archivePath, options);
    return extraction.Run(folder);
}

bool SaysUnsupported(const std::string& libraryText) {
    const std::string lower = platform::ToLowerAscii(libraryText);
    for (const char* words : {"unsupported", "not supported", "unknown codec", "unexpected codec",
                              "unavailable", "unknown encryption"}) {
        if (Contains(lower, words)) return true;
    }
    return false;
}
