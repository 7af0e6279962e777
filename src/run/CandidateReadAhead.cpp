#include "run/CandidateReadAhead.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "ident/DiscHandlers.h"
#include "platform/Crc32.h"
#include "run/VerifyRun.h"
#include "verify/DumpVerdict.h"

namespace {

// Enough readers that a share answering each request after a millisecond
// keeps up with a run that renames a disc every few milliseconds; few
// enough that they never crowd the run out of a small machine.
constexpr std::size_t READERS = 4;

// The processor time the calling thread has used.
std::chrono::nanoseconds ProcessorTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace

CandidateReadAhead::CandidateReadAhead(int systemIndex, const DiscHandlerParams& params,
                                       const std::vector<std::string>& candidates,
                                       std::size_t discs, std::vector<DiscWork> more,
                                       platform::ReadAhead::Kind kind)
    : systemIndex(systemIndex),
      params(params),
      candidates(candidates),
      more(std::move(more)),
      readings(candidates.size()),
      listings(params.folderSnapshots != nullptr ? *params.folderSnapshots
                                                 : platform::FolderSnapshots()),
      readers(
          candidates.size(), discs, std::min(READERS, discs),
          [this](std::size_t index, const std::atomic<bool>& stopping) {
              return Read(index, stopping);
          },
          kind) {}

bool CandidateReadAhead::Read(std::size_t index, const std::atomic<bool>& stopping) {
    const std::atomic<bool>* const stopRequested = params.stopRequested;
    const std::function<bool()> cancelled = [&stopping, stopRequested] {
        return stopping.load() || (stopRequested != nullptr && stopRequested->load());
    };
    if (cancelled()) return false;
    const auto began = std::chrono::steady_clock::now();
    const std::chrono::nanoseconds workedBefore = ProcessorTime();
    DiscHandlerParams ahead = params;
    ahead.basePath = candidates[index];
    ahead.lookAhead = true;
    ahead.checksumAhead = nullptr;
    ahead.bootFilesAhead = nullptr;
    if (params.folderSnapshots != nullptr) ahead.folderSnapshots = &listings;
    const std::unique_ptr<KelFileBase> disc = CreateDiscHandler(systemIndex, ahead);
    readings[index] = disc->BootReading();
    if (!more.empty()) {
        for (const DiscWork& work : more) {
            if (!cancelled()) work(index, *disc, cancelled);
        }
        return true;
    }
    // A reading the run takes over saves it the reads and the work on them,
    // whether or not they had to wait (on a virtual machine, a cold read
    // costs more processor time than it waits).
    if (readings[index]) return true;
    const std::chrono::nanoseconds worked = ProcessorTime() - workedBefore;
    return std::chrono::steady_clock::now() - began - worked > worked;
}

bool CandidateReadAhead::Reach(std::size_t index) {
    reached = index;
    reachedDone = readers.Reach(index);
    return reachedDone;
}

std::function<std::optional<BootFilesReading>(const std::string& imageFile)>
CandidateReadAhead::BootFilesAhead() {
    return [this](const std::string& imageFile) -> std::optional<BootFilesReading> {
        if (!reachedDone || reached >= readings.size()) return std::nullopt;
        std::optional<BootFilesReading>& reading = readings[reached];
        if (!reading || reading->imageFile != imageFile || !reading->Current()) {
            return std::nullopt;
        }
        return std::exchange(reading, std::nullopt);
    };
}

void CandidateReadAhead::Stop() {
    readers.Stop();
}

CandidateReadAhead::DiscWork ChecksumsAhead::Work() {
    return
        [this](std::size_t index, const KelFileBase& disc, const std::function<bool()>& cancelled) {
            if (!disc.ImageFound()) return;
            const std::string& imageFile = disc.ImageFile();
            const std::optional<platform::FileState> state = platform::StateOf(imageFile);
            if (!state) return;
            std::string text = ImageChecksumText(imageFile, cancelled);
            if (cancelled() || text == platform::CRC_UNREADABLE) return;
            checksums[index] = Checksum{imageFile, *state, std::move(text)};
        };
}

std::optional<std::string> ChecksumsAhead::Take(std::size_t index,
                                                const std::string& imageFile) const {
    if (index >= checksums.size()) return std::nullopt;
    const std::optional<Checksum>& ahead = checksums[index];
    if (!ahead || ahead->imageFile != imageFile || platform::StateOf(imageFile) != ahead->state) {
        return std::nullopt;
    }
    return ahead->text;
}

HashesAhead::HashesAhead(const DatHashes& dat, std::size_t candidates, std::vector<bool> recorded)
    : dat(dat), recorded(std::move(recorded)), hashed(candidates) {}

CandidateReadAhead::DiscWork HashesAhead::Work() {
    return
        [this](std::size_t index, const KelFileBase& disc, const std::function<bool()>& cancelled) {
            if (index < recorded.size() && recorded[index]) return;
            DumpTracks dump(disc, disc.FolderListings());
            if (!dump.IsDisc() || !dump.Problem().empty()) return;
            dump.cancelled = cancelled;
            const std::vector<std::optional<platform::FileState>> before = dump.HolderStates();
            VerifyDump(dat, DiscIdentifier(disc), dump);
            if (!cancelled()) hashed[index] = dump.Hashed(before);
        };
}
