#include "image/KelCDImageDAO.h"

#include "image/CloneCDParser.h"
#include "image/CueSheetParser.h"
#include "image/DiscJugglerParser.h"
#include "image/NeroParser.h"
#include "platform/AsciiCase.h"

namespace {

bool ParseDescriptor(const std::string& path, TrackTable& table) {
    const std::string lowered = platform::ToLowerAscii(path);
    const auto names = [&lowered](const char* extension) {
        return lowered.find(extension) != std::string::npos;
    };
    if (names(".ccd")) return ReadCloneCD(path, table);
    if (names(".cdi")) return ReadDiscJuggler(path, table);
    if (names(".cue")) return ReadCueSheet(path, table);
    if (names(".nrg")) return ReadNero(path, table);
    return false;
}

}  // namespace

KelCDImageDAO::KelCDImageDAO(const std::string& path) {
    // A descriptor without a first track (a sheet without tracks, or any file
    // whose path merely contains ".cue") leaves nothing to read; staying
    // unopened lets the facade probe the file itself.
    if (!ParseDescriptor(path, table) || table.trackCount < 1 || table.rows[0].file.empty()) {
        table = TrackTable{};
        return;
    }
    imagePath = table.rows[0].file;
    opened = true;
}

const TrackEntry* KelCDImageDAO::Row(std::int32_t track) const {
    if (track < 0 || track >= table.trackCount || !IsTableRow(track)) return nullptr;
    return &table.rows[std::size_t(track)];
}

std::int64_t KelCDImageDAO::TrackDataOffset(std::int32_t track) const {
    const TrackEntry* row = Row(track);
    return row ? row->dataOffset : 0;
}

std::int32_t KelCDImageDAO::TrackSectorSize(std::int32_t track) const {
    const TrackEntry* row = Row(track);
    return row ? row->sectorSize : 0;
}

SectorKind KelCDImageDAO::TrackSectorKind(std::int32_t track) const {
    const TrackEntry* row = Row(track);
    if (row == nullptr) return SectorKind::Mode1Data;
    switch (row->mode) {
        case TrackMode::Mode1:
            return SectorKind::Mode1Data;
        case TrackMode::Mode2:
            return SectorKind::Mode2Data;
        case TrackMode::Audio:
            return SectorKind::Audio;
        default:
            return SectorKind::Other;
    }
}

std::string KelCDImageDAO::TrackFileName(std::int32_t track) const {
    const TrackEntry* row = Row(track);
    return row ? row->file : std::string();
}
