#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/ByteSource.h"
#include "platform/FileOps.h"
#include "verify/HashCache.h"
#include "verify/TrackHash.h"

class KelFileBase;
namespace platform {
class FolderSnapshots;
}

// One track of a dump as a DAT lists it: a data file of a cue sheet, an ISO,
// a track of a compressed CD as its BIN file would hold it, the ISO inside a
// CSO.
struct DumpTrack {
    std::string label;    // the file's name, or "Track 02" inside a compressed image
    bool present = true;  // false: the cue sheet names it, but it is not there
    std::uint64_t size = 0;
    std::optional<TrackHash> hash;
    std::string problem;  // why its bytes could not be read
    // Where the bytes are: the file `path`, or the decompressed `bytes`.
    std::string path;
    std::shared_ptr<const ByteSource> bytes;
    // The file on the user's disk that holds it (itself, a compressed image,
    // an archive): the cache keys its hashes by that file. NO_HOLDER for a
    // file that is not there.
    std::size_t holder = 0;

    static constexpr std::size_t NO_HOLDER = std::size_t(-1);
};

// A track's hashes, taken before the run came to its disc, with the file
// that holds it as it was before it was read: they stand for the track only
// while that file is unchanged.
struct HashedTrack {
    std::string holder;
    platform::FileState state;
    std::string label;
    TrackHash hash;
};

// The tracks of one disc, from what its disc handler found (an archive is
// extracted by then), or as the cache recorded them. The hashes are computed
// only when asked for: a dump whose sizes already tell is never read.
class DumpTracks {
public:
    // Nothing found: the candidate is no disc.
    DumpTracks() = default;
    // The tracks of the image the handler found.
    DumpTracks(const KelFileBase& handler, const platform::FolderSnapshots* snapshots);
    // The tracks of holders the cache recorded, each with its tracks.
    DumpTracks(const std::vector<std::string>& holderPaths,
               const std::vector<std::vector<CachedTrack>>& holderTracks);

    // The candidate is a disc image (or an archive of one).
    bool IsDisc() const { return isDisc; }
    // Why the disc cannot be read at all (an archive that does not extract, a
    // damaged descriptor or compressed image); empty when it can.
    const std::string& Problem() const { return problem; }

    std::vector<DumpTrack> tracks;
    // The file that stands for the disc: its archive, cue sheet or image.
    std::string shownPath;
    // The files holding the tracks, in order; and the files read that hold
    // none (the cue sheet, the other volumes of an archive).
    std::vector<std::string> holders;
    std::vector<std::string> otherFiles;

    // Hashes every present track not yet hashed; false when one could not
    // be read (its `problem` says why).
    bool HashAll();
    // Once it says so, hashing ends and the tracks left count as unread: for
    // a disc read ahead of the run, whose reader is told to end.
    std::function<bool()> cancelled;

    // The holders as they are now, in order; nothing for one not there.
    std::vector<std::optional<platform::FileState>> HolderStates() const;
    // The tracks hashed so far, each with its holder's state of `before`
    // (taken before they were read).
    std::vector<HashedTrack> Hashed(
        const std::vector<std::optional<platform::FileState>>& before) const;
    // Takes the hashes of tracks hashed elsewhere, of the same holder, label
    // and size, when the holder is unchanged since.
    void TakeHashed(const std::vector<HashedTrack>& hashed);

    // The tracks one holder gives, for the cache.
    std::vector<CachedTrack> CachedTracksOf(std::size_t holder) const;

private:
    void AddFileTrack(const std::string& path, std::size_t holder);
    void AddImage(const std::string& image, const std::string& holderPath,
                  const platform::FolderSnapshots* snapshots, const KelFileBase& handler);
    void AddCueSheet(const std::string& sheet, std::optional<std::size_t> holder,
                     const platform::FolderSnapshots* snapshots);
    void AddCompressed(const std::string& image, std::size_t holder);
    std::size_t Holder(const std::string& path);

    bool isDisc = false;
    std::string problem;
};
