#include "image/KelCDImageDAO.h"

#include <optional>

#include "image/CloneCDParser.h"
#include "image/CueSheet.h"
#include "image/DescriptorFiles.h"
#include "image/DescriptorParse.h"
#include "image/DescriptorText.h"
#include "image/DiscJugglerParser.h"
#include "image/FooterWindow.h"
#include "image/NeroParser.h"
#include "platform/AsciiCase.h"
#include "platform/PathText.h"

namespace {

enum class DescriptorKind { None, CloneCD, DiscJuggler, CueSheet, Nero };

DescriptorKind KindOfPath(const std::string& path) {
    const std::string lowered = platform::ToLowerAscii(path);
    const auto names = [&lowered](const char* extension) {
        return lowered.find(extension) != std::string::npos;
    };
    if (names(".ccd")) return DescriptorKind::CloneCD;
    if (names(".cdi")) return DescriptorKind::DiscJuggler;
    if (names(".cue")) return DescriptorKind::CueSheet;
    if (names(".nrg")) return DescriptorKind::Nero;
    return DescriptorKind::None;
}

std::optional<std::string> ReadText(const ByteSource& source) {
    if (source.Size() > MAX_DESCRIPTOR_BYTES) return std::nullopt;
    std::string text(std::size_t(source.Size()), '\0');
    const std::optional<std::size_t> got = source.ReadAt(text.data(), text.size(), 0);
    if (!got) return std::nullopt;
    text.resize(*got);
    return text;
}

// DiscJuggler and Nero images describe their tracks at the end of the file
// that holds them.
template <typename Parser>
DescriptorParse ParseFooter(Parser parser, const char* refusal, const std::string& path,
                            const ImageFiles& files) {
    const std::shared_ptr<const ByteSource> image = files.Open(path);
    if (!image) return Refused("cannot be read");
    const std::optional<FooterWindow> footer = ReadFooter(*image, MAX_DESCRIPTOR_BYTES);
    DescriptorParse parse;
    if (!footer || !parser(*footer, path, parse.table)) return Refused(refusal);
    for (std::int32_t row = 0; row < parse.table.Count(); ++row) {
        TrackEntry& entry = *parse.table.Row(row);
        if (!entry.file.empty()) entry.data = image;
    }
    parse.accepted = true;
    return parse;
}

DescriptorParse ReadDescriptor(DescriptorKind kind, const std::string& path,
                               const ImageFiles& files, const CueSheet* sheet) {
    if (kind == DescriptorKind::DiscJuggler) {
        return ParseFooter(ParseDiscJuggler, "no known DiscJuggler track block", path, files);
    }
    if (kind == DescriptorKind::Nero) {
        return ParseFooter(ParseNero, "no Nero track chunks this reader knows", path, files);
    }
    if (kind == DescriptorKind::CueSheet && sheet) {
        const DescriptorParse& parse = sheet->Layout();
        return parse.accepted ? ResolveCueSheet(parse, path, files) : parse;
    }
    const std::shared_ptr<const ByteSource> source = files.Open(path);
    const std::optional<std::string> text = source ? ReadText(*source) : std::nullopt;
    if (!text) return Refused("cannot be read as a descriptor");
    if (kind == DescriptorKind::CueSheet) {
        DescriptorParse parse = ParseCueSheet(*text);
        return parse.accepted ? ResolveCueSheet(std::move(parse), path, files) : parse;
    }
    DescriptorParse parse = ParseCloneCD(*text);
    return parse.accepted ? ResolveCloneCD(std::move(parse), path, files) : parse;
}

}  // namespace

KelCDImageDAO::KelCDImageDAO(const std::string& path, const ImageFiles& files,
                             const CueSheet* sheet) {
    const DescriptorKind kind = KindOfPath(path);
    if (kind == DescriptorKind::None) return;
    DescriptorParse parse = ReadDescriptor(kind, path, files, sheet);
    if (!parse.accepted) {
        problem = platform::SplitAtLastSeparator(path).name + ", " + parse.Explained();
        return;
    }
    // A descriptor without a first track (a sheet without tracks, or any file
    // whose path merely contains ".cue") leaves nothing to read; staying
    // unopened lets the facade probe the file itself.
    if (parse.table.Count() < 1 || parse.table.At(0).file.empty()) return;
    table = std::move(parse.table);
    imagePath = table.At(0).file;
    opened = true;
}

std::int64_t KelCDImageDAO::TrackDataOffset(std::int32_t track) const {
    const TrackEntry* row = table.Used(track);
    return row ? row->dataOffset : 0;
}

std::int32_t KelCDImageDAO::TrackSectorSize(std::int32_t track) const {
    const TrackEntry* row = table.Used(track);
    return row ? row->sectorSize : 0;
}

SectorKind KelCDImageDAO::TrackSectorKind(std::int32_t track) const {
    const TrackEntry* row = table.Used(track);
    if (row == nullptr) return SectorKind::Mode1Data;
    return SectorKindOf(row->mode);
}

std::string KelCDImageDAO::TrackFileName(std::int32_t track) const {
    const TrackEntry* row = table.Used(track);
    return row ? row->file : std::string();
}

std::shared_ptr<const ByteSource> KelCDImageDAO::TrackData(std::int32_t track) const {
    const TrackEntry* row = table.Used(track);
    return row ? row->data : nullptr;
}

std::int64_t KelCDImageDAO::TrackFirstSector(std::int32_t track) const {
    return FirstSectorOf(table, track);
}

std::unique_ptr<SectorSource> KelCDImageDAO::OpenSectors() const {
    return OpenTableSectors(table);
}
