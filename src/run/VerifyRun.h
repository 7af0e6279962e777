#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include <memory>
#include <optional>

#include "verify/DumpVerdict.h"
#include "verify/HashCache.h"

class KelFileBase;
namespace platform {
class FolderSnapshots;
}

// What orvane-cli verify asks for.
struct VerifyRequest {
    std::string folder;
    bool subfolders = false;
    int systemIndex = 0;  // 1 PlayStation, 2 PlayStation 2, 3 PSP
    std::vector<std::string> datFiles;
    // The hash cache's database; empty for none.
    std::string cachePath;
    // Checked before each disc: a disc in hand is finished first.
    const std::atomic<bool>* stopRequested = nullptr;
    // How many discs past the one in hand may be read and hashed at once
    // (0: each in its turn). It changes how long verify takes, never what
    // it finds.
    std::size_t readAhead = 8;
};

// One disc the run looked at.
struct VerifiedDisc {
    std::string candidate;   // the path its files share, without extension
    std::string path;        // the file that stands for it: archive, cue sheet or image
    std::string identifier;  // the game code its boot files give, if any
    DumpVerdict verdict;
};

// The DATs, the hash cache, and the step each disc goes through: verify
// takes it for every disc, the rename run for each disc when only verified
// dumps are to be renamed.
class DiscVerifier {
public:
    // `cachePath` empty: no cache.
    DiscVerifier(const std::vector<std::string>& datFiles, const std::string& cachePath);

    const DatHashes& Dat() const { return dat; }
    // Why the cache is not used (any more); empty while it is.
    const std::string& CacheProblem() const { return cacheProblem; }

    // Whether the cache has a record of the disc, current or not.
    bool Recorded(const std::string& candidate, int systemIndex);
    // The disc as the cache recorded it, verified without reading it, when
    // none of its files changed and no file of its name has come since.
    std::optional<VerifiedDisc> FromCache(const std::string& candidate, int systemIndex,
                                          const platform::FolderSnapshots& snapshots);
    // Verifies the disc a handler found, and keeps what was read in the
    // cache; nothing when the candidate is no disc. Tracks of `ahead` (hashed
    // before the run came to the disc) are not read again while their files
    // are unchanged.
    std::optional<VerifiedDisc> Verify(const KelFileBase& handler, int systemIndex,
                                       const platform::FolderSnapshots& snapshots,
                                       const std::vector<HashedTrack>& ahead = {});

private:
    void CheckCache();

    DatHashes dat;
    std::unique_ptr<HashCache> cache;
    std::string cacheProblem;
};

// The game code the disc's boot files give, if any.
std::string DiscIdentifier(const KelFileBase& handler);

// Where the run's findings go as they come.
class VerifySink {
public:
    virtual ~VerifySink() = default;
    // Before each disc: how many were looked at, of how many candidates.
    virtual void Progress(std::int64_t done, std::int64_t total, const std::string& candidate) = 0;
    virtual void Disc(const VerifiedDisc& disc) = 0;
};

struct VerifyReport {
    // The folder and every DAT could be read; when not, nothing was verified.
    bool inputValid = false;
    std::vector<std::string> inputProblems;  // "what: path"
    bool stopped = false;
    std::array<std::int64_t, 5> counts{};  // per VerifyStatus
    // The DAT games no disc of the folder was found to be, in the DATs' order.
    std::vector<std::string> missingGames;
    // Games of the DATs left out: a file of theirs lacks its size or CRC.
    std::size_t unusableGames = 0;
    // Why the hash cache was not used or not kept; empty when it was.
    std::string cacheProblem;
};

// Verifies every disc below the folder against the DATs: each candidate is
// identified as the rename run identifies it (archives extracted, compressed
// images read in place), its tracks are compared with the DAT games of its
// game code, and what was read is kept in the hash cache. Nothing is written
// beside the images.
VerifyReport RunVerify(const VerifyRequest& request, VerifySink& sink);
