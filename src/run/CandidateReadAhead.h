#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ident/KelFileBase.h"
#include "platform/FileOps.h"
#include "platform/FolderSnapshots.h"
#include "platform/ReadAhead.h"

// While a run works on one disc, a few readers read what identifying the
// next discs reads (the candidate's sheet, the image's descriptors and boot
// files) and, with the checksum option, compute their images' checksums, so
// that on a share or a cold disk the waiting for those reads overlaps. The
// run itself still identifies, renames and records every disc in its turn,
// exactly as without them: what the readers read only warms the page cache,
// and a checksum is taken over only for the very file it was computed on,
// unchanged since.
class CandidateReadAhead {
public:
    // The readers identify as the run does with `params` (a copy of its
    // listings, which the run's moves do not change: a guess of a later
    // disc's files can only miss, never change what the run does), at most
    // `discs` candidates past the one in hand; 0 reads nothing ahead.
    CandidateReadAhead(int systemIndex, const DiscHandlerParams& params,
                       const std::vector<std::string>& candidates, std::size_t discs);
    CandidateReadAhead(const CandidateReadAhead&) = delete;
    CandidateReadAhead& operator=(const CandidateReadAhead&) = delete;

    // The run comes to candidate `index` (in increasing order): waits for a
    // reader still reading it, and lets the readers go further.
    void Reach(std::size_t index);

    // The checksum text of the image of the candidate in hand, when a reader
    // computed it on this file and the file has not changed since.
    std::optional<std::string> ChecksumAhead(const std::string& imageFile) const;

    // No reader begins another disc, and one computing a checksum ends it;
    // returns when every reader has ended. A run that stops, or that has
    // finished its candidates, calls it before it writes its results.
    void Stop();

private:
    struct Checksum {
        std::string imageFile;
        platform::FileState state;
        std::string text;
    };

    void Read(std::size_t index, const std::atomic<bool>& stopping);

    const int systemIndex;
    DiscHandlerParams params;
    const std::vector<std::string>& candidates;
    platform::FolderSnapshots listings;
    // Written by the reader of each candidate, read by the run only once it
    // has come to that candidate and its reader has ended.
    std::vector<std::optional<Checksum>> checksums;
    std::optional<std::size_t> inHand;  // the candidate the run is at, when a reader read it
    // Last: its readers start once everything above is in place, and end
    // before any of it goes.
    platform::ReadAhead readers;
};
