#include "run/VerifyRun.h"

#include <algorithm>
#include <optional>
#include <set>

#include "archive/ExtractionFolder.h"
#include "ident/DiscHandlers.h"
#include "platform/FileOps.h"
#include "platform/FolderSnapshots.h"
#include "platform/PathText.h"
#include "run/CandidateReadAhead.h"
#include "run/FileEnumeration.h"
#include "run/RunSteps.h"
#include "verify/HashCache.h"

namespace {

// The files of the candidate's folder whose names begin with its name: the
// files a disc handler looks at.
std::vector<std::string> CandidateListing(const platform::FolderSnapshots& snapshots,
                                          const std::string& candidate) {
    const platform::PathSplit split = platform::SplitAtLastSeparator(candidate);
    const std::string folder = platform::ListableFolder(split);
    std::vector<std::string> paths;
    for (const platform::FoundEntry& entry : FindIn(&snapshots, folder, split.name, ".*")) {
        if (!entry.isFolder) paths.push_back(platform::JoinPath(folder, entry.name));
    }
    return paths;
}

// The disc as the cache recorded it, when every file it was read from is
// unchanged and no file of its name has come since; nothing otherwise.
std::optional<DumpTracks> CachedDump(HashCache& cache, const std::string& candidate,
                                     int systemIndex, const std::vector<std::string>& listing,
                                     VerifiedDisc& shown) {
    const std::optional<CachedDisc> disc = cache.Disc(candidate, systemIndex);
    if (!disc) return std::nullopt;
    std::set<std::string> recorded;
    for (const DiscFile& file : disc->files) recorded.insert(file.path);
    for (const std::string& path : listing) {
        if (recorded.count(HashCache::KeyOf(path)) == 0) return std::nullopt;
    }
    std::vector<std::string> holders;
    std::vector<std::vector<CachedTrack>> tracks;
    for (const DiscFile& file : disc->files) {
        const std::optional<FileStamp> stamp = StampOf(file.path);
        if (!stamp) return std::nullopt;
        if (!file.holdsTracks) {
            if (!cache.Holds(file.path, *stamp)) return std::nullopt;
            continue;
        }
        std::optional<std::vector<CachedTrack>> held = cache.FileTracks(file.path, *stamp);
        if (!held) return std::nullopt;
        holders.push_back(file.path);
        tracks.push_back(std::move(*held));
    }
    shown.identifier = disc->identifier;
    shown.path = disc->shownPath;
    return DumpTracks(holders, tracks);
}

// Hashes the cache holds for tracks of a holder that is unchanged.
void TakeCachedHashes(HashCache& cache, DumpTracks& dump) {
    for (std::size_t holder = 0; holder < dump.holders.size(); ++holder) {
        const std::optional<FileStamp> stamp = StampOf(dump.holders[holder]);
        if (!stamp) continue;
        const auto cached = cache.FileTracks(dump.holders[holder], *stamp);
        if (!cached) continue;
        std::size_t next = 0;
        for (DumpTrack& track : dump.tracks) {
            if (track.holder != holder) continue;
            if (next >= cached->size()) break;
            const CachedTrack& entry = (*cached)[next++];
            if (entry.hashed && entry.label == track.label && entry.size == track.size) {
                track.hash = TrackHash{entry.size, entry.crc, entry.sha1};
            }
        }
    }
}

// Keeps what was read of the disc: each holder's tracks, and, when the disc
// was read whole, what it is made of.
void Remember(HashCache& cache, const std::string& candidate, int systemIndex,
              const std::string& identifier, const DumpTracks& dump,
              const std::vector<std::string>& listing) {
    bool whole = dump.Problem().empty();
    for (const DumpTrack& track : dump.tracks)
        whole = whole && track.present && track.problem.empty();
    CachedDisc disc;
    disc.identifier = identifier;
    disc.shownPath = dump.shownPath;
    std::set<std::string> kept;
    for (std::size_t holder = 0; holder < dump.holders.size(); ++holder) {
        const std::string& path = dump.holders[holder];
        const std::optional<FileStamp> stamp = StampOf(path);
        if (!stamp) {
            whole = false;
            continue;
        }
        cache.StoreFile(path, *stamp, dump.CachedTracksOf(holder));
        disc.files.push_back({path, true});
        kept.insert(HashCache::KeyOf(path));
    }
    std::vector<std::string> others = dump.otherFiles;
    others.insert(others.end(), listing.begin(), listing.end());
    for (const std::string& path : others) {
        if (!kept.insert(HashCache::KeyOf(path)).second) continue;
        const std::optional<FileStamp> stamp = StampOf(path);
        if (!stamp) {
            whole = false;
            continue;
        }
        cache.StoreFile(path, *stamp, {});
        disc.files.push_back({path, false});
    }
    if (whole) cache.StoreDisc(candidate, systemIndex, disc);
    cache.Commit();
}

}  // namespace

DiscVerifier::DiscVerifier(const std::vector<std::string>& datFiles, const std::string& cachePath)
    : dat(datFiles) {
    if (cachePath.empty()) return;
    cache = std::make_unique<HashCache>(cachePath);
    CheckCache();
}

void DiscVerifier::CheckCache() {
    if (!cache || cache->IsOpen()) return;
    cacheProblem = cache->Problem();
    cache.reset();
}

bool DiscVerifier::Recorded(const std::string& candidate, int systemIndex) {
    return cache && cache->Disc(candidate, systemIndex).has_value();
}

std::optional<VerifiedDisc> DiscVerifier::FromCache(const std::string& candidate, int systemIndex,
                                                    const platform::FolderSnapshots& snapshots) {
    if (!cache) return std::nullopt;
    VerifiedDisc disc;
    disc.candidate = candidate;
    std::optional<DumpTracks> dump =
        CachedDump(*cache, candidate, systemIndex, CandidateListing(snapshots, candidate), disc);
    if (!dump) return std::nullopt;
    disc.verdict = VerifyDump(dat, disc.identifier, *dump);
    // Hashes the cache lacks are read from the disc after all.
    if (disc.verdict.status == VerifyStatus::Unreadable) return std::nullopt;
    return disc;
}

std::string DiscIdentifier(const KelFileBase& handler) {
    std::string identifier = handler.IdFound() ? handler.IdAt(handler.IdCount() - 1) : "";
    RemoveFirstCarriageReturn(identifier);
    return identifier;
}

std::optional<VerifiedDisc> DiscVerifier::Verify(const KelFileBase& handler, int systemIndex,
                                                 const platform::FolderSnapshots& snapshots,
                                                 const std::vector<HashedTrack>& ahead) {
    DumpTracks dump(handler, &snapshots);
    if (!dump.IsDisc()) return std::nullopt;
    VerifiedDisc disc;
    disc.candidate = handler.BasePath();
    disc.path = dump.shownPath;
    disc.identifier = DiscIdentifier(handler);
    if (cache) TakeCachedHashes(*cache, dump);
    dump.TakeHashed(ahead);
    disc.verdict = VerifyDump(dat, disc.identifier, dump);
    if (cache) {
        Remember(*cache, disc.candidate, systemIndex, disc.identifier, dump,
                 CandidateListing(snapshots, disc.candidate));
        CheckCache();
    }
    return disc;
}

VerifyReport RunVerify(const VerifyRequest& request, VerifySink& sink) {
    VerifyReport report;
    if (!platform::IsExistingFolder(request.folder)) {
        report.inputProblems.push_back("no such folder: " + request.folder);
    }
    DiscVerifier verifier(request.datFiles, request.cachePath);
    const DatHashes& dat = verifier.Dat();
    for (const DatHashProblem& problem : dat.Problems()) {
        report.inputProblems.push_back("the DAT cannot be read (" + problem.what +
                                       "): " + problem.path);
    }
    // A DAT made for the game list alone (serials, no files) verifies nothing.
    if (dat.Problems().empty() && dat.Games().empty()) {
        report.inputProblems.push_back(
            "the DATs list no game with the sizes and CRCs of its files");
    }
    if (!report.inputProblems.empty()) return report;
    report.inputValid = true;
    report.unusableGames = dat.unusable;

    // A run that was killed could not remove its extracted files.
    RemoveAbandonedExtractionFolders();
    platform::FolderSnapshots snapshots;
    std::vector<std::string> candidates;
    // Nothing is written beside the images: temporaries of killed runs stay.
    EnumerateFiles(request.folder, request.subfolders, candidates, &snapshots, true);
    ReduceToBaseNames(candidates, true);
    GroupCueSets(candidates, snapshots);

    DiscHandlerParams params;
    params.searchArchives = true;
    params.stopRequested = request.stopRequested;
    params.folderSnapshots = &snapshots;

    // Discs the cache knows are most likely answered by it, without a read:
    // the readers hash the others, several at once, ahead of the run.
    constexpr std::size_t NOT_AHEAD = std::size_t(-1);
    std::vector<std::string> unrecorded;
    std::vector<std::size_t> aheadIndex(candidates.size(), NOT_AHEAD);
    for (std::size_t index = 0; index < candidates.size(); ++index) {
        if (verifier.Recorded(candidates[index], request.systemIndex)) continue;
        aheadIndex[index] = unrecorded.size();
        unrecorded.push_back(candidates[index]);
    }
    HashesAhead hashes(dat, unrecorded.size());
    CandidateReadAhead readAhead(request.systemIndex, params, unrecorded, request.readAhead,
                                 {hashes.Work()}, platform::ReadAhead::Kind::Sharing);
    params.bootFilesAhead = readAhead.BootFilesAhead();

    std::vector<bool> found(dat.Games().size());
    const std::int64_t total = std::int64_t(candidates.size());
    for (std::size_t index = 0; index < candidates.size(); ++index) {
        const std::string& candidate = candidates[index];
        if (request.stopRequested != nullptr && *request.stopRequested) {
            report.stopped = true;
            break;
        }
        sink.Progress(std::int64_t(index), total, candidate);
        const bool readAheadDone =
            aheadIndex[index] != NOT_AHEAD && readAhead.Reach(aheadIndex[index]);
        std::optional<VerifiedDisc> disc =
            verifier.FromCache(candidate, request.systemIndex, snapshots);
        if (!disc) {
            params.basePath = candidate;
            const std::unique_ptr<KelFileBase> handler =
                CreateDiscHandler(request.systemIndex, params);
            if (handler->Interrupted()) {
                report.stopped = true;
                break;
            }
            disc = verifier.Verify(
                *handler, request.systemIndex, snapshots,
                readAheadDone ? hashes.Take(aheadIndex[index]) : std::vector<HashedTrack>());
            if (!disc) continue;
        }
        ++report.counts[std::size_t(disc->verdict.status)];
        if (disc->verdict.datGame != DumpVerdict::NO_GAME) found[disc->verdict.datGame] = true;
        sink.Disc(*disc);
    }
    readAhead.Stop();
    report.cacheProblem = verifier.CacheProblem();
    for (std::size_t game = 0; game < found.size(); ++game) {
        if (!found[game]) report.missingGames.push_back(dat.Games()[game].name);
    }
    return report;
}
