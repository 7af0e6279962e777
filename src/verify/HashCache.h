#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// What identifies one state of a file: were any of these to change, its
// bytes may have changed too.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;  // modification time, nanoseconds since the epoch
    std::uint64_t inode = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of a regular file now; nothing when it is not one (or is gone).
std::optional<FileStamp> StampOf(const std::string& path);

// A track as the cache keeps it: its size, and its hashes once they were
// needed (a dump whose sizes already differ from the DAT is not read).
struct CachedTrack {
    std::string label;
    std::uint64_t size = 0;
    bool hashed = false;
    std::uint32_t crc = 0;
    std::string sha1;
};

// One file a disc was read from, and whether it holds tracks (a cue sheet,
// the other volumes of an archive do not).
struct DiscFile {
    std::string path;
    bool holdsTracks = false;
};

// What the cache recorded of a disc: its game code, the file that stands
// for it, and its files in order.
struct CachedDisc {
    std::string identifier;
    std::string shownPath;  // the file that stands for the disc
    std::vector<DiscFile> files;
};

// The hashes of the files verify has read, and what made up each disc, in a
// SQLite database, so that a second verify of an unchanged collection reads
// nothing but the files' status. A file's entry counts only while its path,
// size, modification time and inode are as recorded. Paths are kept
// absolute, so runs from other directories share the entries.
//
// The cache is a convenience: one that cannot be opened or written leaves
// verify reading every file, and says why in `Problem`.
class HashCache {
public:
    explicit HashCache(const std::string& databasePath);
    ~HashCache();
    HashCache(const HashCache&) = delete;
    HashCache& operator=(const HashCache&) = delete;

    bool IsOpen() const { return database != nullptr; }
    const std::string& Problem() const { return problem; }

    // The tracks recorded for a file in the state `stamp`; nothing when it
    // was never recorded or has changed since.
    std::optional<std::vector<CachedTrack>> FileTracks(const std::string& path,
                                                       const FileStamp& stamp);
    // Whether the file is recorded in the state `stamp`.
    bool Holds(const std::string& path, const FileStamp& stamp);
    void StoreFile(const std::string& path, const FileStamp& stamp,
                   const std::vector<CachedTrack>& tracks);

    // What a disc (its candidate path, for a system) was found to be made of.
    std::optional<CachedDisc> Disc(const std::string& candidate, int systemIndex);
    void StoreDisc(const std::string& candidate, int systemIndex, const CachedDisc& disc);

    // Everything stored since the last commit is kept together, or not at
    // all: a run killed between two discs loses the disc in hand only.
    void Commit();

    // The path as the cache keys it: absolute, from the current directory.
    static std::string KeyOf(const std::string& path);

private:
    bool Execute(const char* sql);
    sqlite3_stmt* Prepare(const char* sql);
    void Fail(const std::string& what);
    void Begin();

    sqlite3* database = nullptr;
    std::string problem;
    bool inTransaction = false;
    sqlite3_stmt* selectFile = nullptr;
    sqlite3_stmt* selectTracks = nullptr;
    sqlite3_stmt* insertFile = nullptr;
    sqlite3_stmt* deleteTracks = nullptr;
    sqlite3_stmt* insertTrack = nullptr;
    sqlite3_stmt* selectDisc = nullptr;
    sqlite3_stmt* selectDiscFiles = nullptr;
    sqlite3_stmt* insertDisc = nullptr;
    sqlite3_stmt* deleteDiscFiles = nullptr;
    sqlite3_stmt* insertDiscFile = nullptr;
};
