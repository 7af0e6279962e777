#include "image/TrackTable.h"

namespace {

bool IsTableRow(std::int64_t row) {
    return row >= 0 && row < TrackTable::MAX_TRACKS;
}

}  // namespace

const TrackEntry& TrackTable::At(std::int64_t row) const {
    static const TrackEntry NONE;
    return IsTableRow(row) ? rows[std::size_t(row)] : NONE;
}

const TrackEntry* TrackTable::Used(std::int64_t row) const {
    return row >= 0 && row < count ? &rows[std::size_t(row)] : nullptr;
}

TrackEntry* TrackTable::Row(std::int64_t row) {
    return IsTableRow(row) ? &rows[std::size_t(row)] : nullptr;
}

TrackEntry* TrackTable::Append() {
    if (!IsTableRow(count)) return nullptr;
    TrackEntry* row = &rows[std::size_t(count)];
    row->index = count;
    ++count;
    return row;
}

bool TrackTable::SetCount(std::int64_t rowsInUse) {
    if (rowsInUse < 0 || rowsInUse > MAX_TRACKS) return false;
    count = std::int32_t(rowsInUse);
    return true;
}
