#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ident/KelFileBase.h"
#include "platform/FileOps.h"
#include "platform/FolderSnapshots.h"
#include "platform/ReadAhead.h"
#include "verify/DatHashes.h"
#include "verify/DumpTracks.h"

// While a run works on one disc, a few readers read what identifying the
// next discs reads (the candidate's sheet, the image's descriptors and boot
// files), and whatever more the run asks of each disc (its image's
// checksum, say), so that on a share or a cold disk the waiting for those
// reads overlaps. The run itself still identifies, renames and records
// every disc in its turn, exactly as without them: what the readers read
// only warms the page cache, and a result of theirs is taken over only for
// the very file it was computed on, unchanged since.
class CandidateReadAhead {
public:
    // What a reader does with a disc beyond identifying it, on the reader's
    // thread; it should end soon once `cancelled` says so.
    using DiscWork = std::function<void(std::size_t index, const KelFileBase& disc,
                                        const std::function<bool()>& cancelled)>;

    // The readers identify as the run does with `params`, but on a copy of
    // its listings, which the run's moves do not change (a guess at a later
    // disc's files can only miss, never change what the run does), and
    // extracting nothing. At most `discs` candidates past the one in hand;
    // 0 reads nothing ahead. The run's Stop ends them too. Each work of
    // `more` is done with every disc, in order. Sharing readers are waited
    // for (see platform::ReadAhead): for a `more` that is the run's main work.
    CandidateReadAhead(int systemIndex, const DiscHandlerParams& params,
                       const std::vector<std::string>& candidates, std::size_t discs,
                       std::vector<DiscWork> more = {},
                       platform::ReadAhead::Kind kind = platform::ReadAhead::Kind::Warming);
    CandidateReadAhead(const CandidateReadAhead&) = delete;
    CandidateReadAhead& operator=(const CandidateReadAhead&) = delete;

    // The run comes to candidate `index` (in increasing order) and lets the
    // readers go further. True when a reader has read it: what its `more`
    // left is the run's to take from then on. Warming readers are never
    // waited for: one still at it meets the run's own reads in the page
    // cache.
    bool Reach(std::size_t index);

    // For the run's DiscHandlerParams::bootFilesAhead: of the candidate the
    // run came to last, the reading of its image's boot files its reader
    // made, when that reader is done, read that very image, and every file
    // the reading rests on is unchanged since. The run then opens none of
    // them again, which on a share saves it a round trip or more per disc.
    std::function<std::optional<BootFilesReading>(const std::string& imageFile)> BootFilesAhead();

    // No reader begins another disc, and one at work is told to end; returns
    // when every reader has ended. A run calls it when it leaves its
    // candidates, before it writes its results.
    void Stop();

private:
    // Whether reading the candidate ahead was worth it: it left a reading of
    // the boot files or a result of `more`, or its reads waited longer than
    // the reader worked.
    bool Read(std::size_t index, const std::atomic<bool>& stopping);

    const int systemIndex;
    const DiscHandlerParams params;
    const std::vector<std::string>& candidates;
    const std::vector<DiscWork> more;
    // Each written by the reader of its candidate, read by the run only
    // after that reader is done.
    std::vector<std::optional<BootFilesReading>> readings;
    // The candidate the run came to last, and whether its reader was done.
    std::size_t reached = 0;
    bool reachedDone = false;
    // Only looked at, never changed: the readers share it.
    platform::FolderSnapshots listings;
    // Last: its readers start once everything above is in place, and end
    // before any of it goes.
    platform::ReadAhead readers;
};

// The checksum option's image checksums, computed by the readers.
class ChecksumsAhead {
public:
    explicit ChecksumsAhead(std::size_t candidates) : checksums(candidates) {}

    // The readers' work: the checksum of the image of the disc they found.
    CandidateReadAhead::DiscWork Work();

    // The checksum text of candidate `index`'s image, once the run has come
    // to it and its reader is done (Reach said so), when the reader computed
    // it on this file and the file has not changed since.
    std::optional<std::string> Take(std::size_t index, const std::string& imageFile) const;

private:
    struct Checksum {
        std::string imageFile;
        platform::FileState state;
        std::string text;
    };
    // Each written by the reader of its candidate, read by the run only
    // after that reader is done.
    std::vector<std::optional<Checksum>> checksums;
};

// The tracks of discs past the one in hand, hashed by the readers for
// verify (readers of the Sharing kind). A reader does what the run would do
// with the disc, a dump whose sizes already tell is not read, but keeps only
// the hashes: the run verifies each disc itself, and takes a hash only for
// the very file it was taken of, unchanged since. Archives are extracted by
// the run alone, in their turn.
class HashesAhead {
public:
    // Candidates marked in `recorded` are not hashed: the hash cache has a
    // record of them, which most likely answers for them.
    HashesAhead(const DatHashes& dat, std::size_t candidates, std::vector<bool> recorded = {});

    CandidateReadAhead::DiscWork Work();

    // What the reader of candidate `index` left, once the run has come to it
    // and Reach said that reader is done.
    const std::vector<HashedTrack>& Take(std::size_t index) const { return hashed[index]; }

private:
    const DatHashes& dat;
    const std::vector<bool> recorded;
    // Each written by the reader of its candidate, read by the run only
    // after that reader is done.
    std::vector<std::vector<HashedTrack>> hashed;
};
