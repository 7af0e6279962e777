#include "run/CandidateReadAhead.h"

#include <algorithm>

#include "ident/DiscHandlers.h"
#include "platform/Crc32.h"

namespace {

// Enough readers that a share answering each request after a millisecond
// keeps up with a run that renames a disc every few milliseconds; few
// enough that they never crowd the run out of a small machine.
constexpr std::size_t READERS = 4;

}  // namespace

CandidateReadAhead::CandidateReadAhead(int systemIndex, const DiscHandlerParams& params,
                                       const std::vector<std::string>& candidates,
                                       std::size_t discs)
    : systemIndex(systemIndex),
      params(params),
      candidates(candidates),
      listings(params.folderSnapshots != nullptr ? *params.folderSnapshots
                                                 : platform::FolderSnapshots()),
      checksums(params.computeChecksum ? candidates.size() : 0),
      readers(
          candidates.size(), discs, std::min(READERS, discs),
          [this](std::size_t index, const std::atomic<bool>& stopping) { Read(index, stopping); }) {
}

void CandidateReadAhead::Read(std::size_t index, const std::atomic<bool>& stopping) {
    const std::atomic<bool>* const stopRequested = params.stopRequested;
    auto cancelled = [&stopping, stopRequested] {
        return stopping.load() || (stopRequested != nullptr && stopRequested->load());
    };
    if (cancelled()) return;
    DiscHandlerParams ahead = params;
    ahead.basePath = candidates[index];
    ahead.lookAhead = true;
    ahead.checksumAhead = nullptr;
    if (params.folderSnapshots != nullptr) ahead.folderSnapshots = &listings;
    const std::unique_ptr<KelFileBase> handler = CreateDiscHandler(systemIndex, ahead);
    if (!params.computeChecksum || !handler->ImageFound() || cancelled()) return;

    const std::string& imageFile = handler->ImageFile();
    const std::optional<platform::FileState> state = platform::StateOf(imageFile);
    if (!state) return;
    std::string text = ImageChecksumText(imageFile, cancelled);
    if (cancelled() || text == platform::CRC_UNREADABLE) return;
    checksums[index] = Checksum{imageFile, *state, std::move(text)};
}

void CandidateReadAhead::Reach(std::size_t index) {
    inHand.reset();
    if (readers.Reach(index)) inHand = index;
}

std::optional<std::string> CandidateReadAhead::ChecksumAhead(const std::string& imageFile) const {
    if (!inHand || *inHand >= checksums.size()) return std::nullopt;
    const std::optional<Checksum>& ahead = checksums[*inHand];
    if (!ahead || ahead->imageFile != imageFile || platform::StateOf(imageFile) != ahead->state) {
        return std::nullopt;
    }
    return ahead->text;
}

void CandidateReadAhead::Stop() {
    readers.Stop();
}
