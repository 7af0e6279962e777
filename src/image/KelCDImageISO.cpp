#include "image/KelCDImageISO.h"

#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// Byte 15 of a raw image is the mode byte of the first sector's header.
enum class ModeRule { One, Two, HeaderOrOne, HeaderOrTwo };

struct ProbeRow {
    std::size_t signatureOffset;  // where "CD001" stands: sector 16, byte 1 of its user data
    std::int32_t sectorSize;
    ModeRule modeRule;
};

// Tried in order; the first row whose offset holds the signature wins.
constexpr std::array<ProbeRow, 7> PROBE_LAYOUT = {{
    {16 * 2048 + 1, 2048, ModeRule::One},
    {16 * 2336 + 1, 2336, ModeRule::One},
    {16 * 2336 + 8 + 1, 2336, ModeRule::Two},
    {16 * 2352 + 16 + 1, 2352, ModeRule::HeaderOrOne},
    {16 * 2352 + 24 + 1, 2352, ModeRule::HeaderOrTwo},
    {16 * 2448 + 16 + 1, 2448, ModeRule::HeaderOrOne},
    {16 * 2448 + 24 + 1, 2448, ModeRule::HeaderOrOne},
}};

constexpr std::size_t PROBE_BYTES = 65536;
constexpr char SIGNATURE[5] = {'C', 'D', '0', '0', '1'};

std::int32_t ModeOf(ModeRule rule, const std::vector<unsigned char>& probe) {
    const int headerMode = probe.size() > 15 ? probe[15] : 0;
    switch (rule) {
        case ModeRule::One:
            return 1;
        case ModeRule::Two:
            return 2;
        case ModeRule::HeaderOrOne:
            return (headerMode == 1 || headerMode == 2) ? headerMode : 1;
        case ModeRule::HeaderOrTwo:
            return (headerMode == 1 || headerMode == 2) ? headerMode : 2;
    }
    return 1;
}

}  // namespace

KelCDImageISO::KelCDImageISO(const std::string& path) : KelCDImageISO(OpenFileSource(path), path) {}

KelCDImageISO::KelCDImageISO(std::shared_ptr<const ByteSource> source, const std::string& path)
    : data(std::move(source)) {
    if (data) Probe(path);
}

void KelCDImageISO::Probe(const std::string& path) {
    std::vector<unsigned char> probe(PROBE_BYTES);
    const std::optional<std::size_t> got = data->ReadAt(probe.data(), probe.size(), 0);
    if (!got) return;
    probe.resize(*got);

    for (const ProbeRow& row : PROBE_LAYOUT) {
        if (row.signatureOffset + sizeof SIGNATURE > probe.size()) continue;
        if (std::memcmp(probe.data() + row.signatureOffset, SIGNATURE, sizeof SIGNATURE) != 0) {
            continue;
        }
        sectorSize = row.sectorSize;
        mode = ModeOf(row.modeRule, probe);
        imagePath = path;
        opened = true;
        return;
    }
}
