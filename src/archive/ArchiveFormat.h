#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
class ReadOnlyFile;
}

// What the first bytes of an archive tell before any extractor reads it: its
// format (names say little: a set named .001 may be a 7z or a RAR), whether it
// declares itself one volume of several, and for LZH whether a Unix archiver
// wrote it (which decides how its names are most likely encoded).

enum class ArchiveFormat { Unknown, Zip, Rar, SevenZip, Lzh, Cab, SelfExtracting };

struct ArchiveSignature {
    ArchiveFormat format = ArchiveFormat::Unknown;
    // A RAR archive whose main header marks it as a volume of a set.
    bool declaresVolumes = false;
    // An LZH archive whose first header names Unix as the system it was made on.
    bool madeOnUnix = false;
    // The bytes a 7z archive spans, from its start to the end of its header
    // (which lies at the end of the last volume); 0 when unknown.
    std::uint64_t sevenZipEnd = 0;
};

// How many bytes of the start of an archive SignatureOf looks at.
inline constexpr std::size_t SIGNATURE_BYTES = 64;

// Parses the first bytes of an archive; never reads outside `head`.
ArchiveSignature SignatureOf(std::string_view head);

// The signature of the archive file at `path`; Unknown when it cannot be read
// (or is no regular file).
ArchiveSignature ReadSignature(const std::string& path);
// The same for an archive file already open.
ArchiveSignature ReadSignature(const platform::ReadOnlyFile& file);
