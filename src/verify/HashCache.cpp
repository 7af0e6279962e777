#include "verify/HashCache.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/PathText.h"

namespace {

// The layout of the tables below; a database of a later layout is left alone.
constexpr int SCHEMA_VERSION = 1;
// Another verify writing at the same time holds the database this long at most.
constexpr int BUSY_WAIT_MS = 10000;

constexpr const char* SCHEMA =
    "CREATE TABLE IF NOT EXISTS file(path TEXT PRIMARY KEY, size INTEGER NOT NULL,"
    " modified INTEGER NOT NULL, inode INTEGER NOT NULL) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS track(path TEXT NOT NULL, position INTEGER NOT NULL,"
    " label TEXT NOT NULL, size INTEGER NOT NULL, crc INTEGER, sha1 TEXT,"
    " PRIMARY KEY(path, position)) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS disc(candidate TEXT NOT NULL, system INTEGER NOT NULL,"
    " identifier TEXT NOT NULL, shown TEXT NOT NULL, PRIMARY KEY(candidate, system))"
    " WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS disc_file(candidate TEXT NOT NULL, system INTEGER NOT NULL,"
    " position INTEGER NOT NULL, path TEXT NOT NULL, holds_tracks INTEGER NOT NULL,"
    " PRIMARY KEY(candidate, system, position)) WITHOUT ROWID;";

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, std::size_t(sqlite3_column_bytes(statement, column)))
                : std::string();
}

// Resets a statement when it goes out of scope, so that it can be used again
// and holds no lock meanwhile.
class Using {
public:
    explicit Using(sqlite3_stmt* statement) : statement(statement) {}
    ~Using() {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
    Using(const Using&) = delete;
    Using& operator=(const Using&) = delete;

private:
    sqlite3_stmt* statement;
};

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    FileStamp stamp;
    stamp.size = std::uint64_t(status.st_size);
    stamp.modifiedNs = std::int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    stamp.inode = std::uint64_t(status.st_ino);
    return stamp;
}

std::string HashCache::KeyOf(const std::string& path) {
    if (path.starts_with('/')) return path;
    char* current = ::getcwd(nullptr, 0);
    if (current == nullptr) return path;
    std::string key = platform::JoinPath(current, path);
    std::free(current);
    return key;
}

HashCache::HashCache(const std::string& databasePath) {
    if (sqlite3_open_v2(databasePath.c_str(), &database,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        Fail("cannot be opened");
        return;
    }
    sqlite3_busy_timeout(database, BUSY_WAIT_MS);
    sqlite3_stmt* version = Prepare("PRAGMA user_version");
    if (version == nullptr) return;
    const int found = sqlite3_step(version) == SQLITE_ROW ? sqlite3_column_int(version, 0) : -1;
    sqlite3_finalize(version);
    if (found < 0 || found > SCHEMA_VERSION) {
        Fail(found < 0 ? "cannot be read" : "was written by a later version");
        return;
    }
    // The write-ahead log keeps readers and the one writer out of each
    // other's way, and commits per disc stay cheap.
    if (!Execute("PRAGMA journal_mode=WAL") || !Execute("PRAGMA synchronous=NORMAL") ||
        !Execute(SCHEMA) || !Execute("PRAGMA user_version=1")) {
        return;
    }
    selectFile = Prepare("SELECT size, modified, inode FROM file WHERE path = ?1");
    selectTracks =
        Prepare("SELECT label, size, crc, sha1 FROM track WHERE path = ?1 ORDER BY position");
    insertFile = Prepare("INSERT OR REPLACE INTO file VALUES (?1, ?2, ?3, ?4)");
    deleteTracks = Prepare("DELETE FROM track WHERE path = ?1");
    insertTrack = Prepare("INSERT INTO track VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    selectDisc = Prepare("SELECT identifier, shown FROM disc WHERE candidate = ?1 AND system = ?2");
    selectDiscFiles = Prepare(
        "SELECT path, holds_tracks FROM disc_file WHERE candidate = ?1 AND system = ?2"
        " ORDER BY position");
    insertDisc = Prepare("INSERT OR REPLACE INTO disc VALUES (?1, ?2, ?3, ?4)");
    deleteDiscFiles = Prepare("DELETE FROM disc_file WHERE candidate = ?1 AND system = ?2");
    insertDiscFile = Prepare("INSERT INTO disc_file VALUES (?1, ?2, ?3, ?4, ?5)");
}

HashCache::~HashCache() {
    if (database == nullptr) return;
    Commit();
    for (sqlite3_stmt* statement :
         {selectFile, selectTracks, insertFile, deleteTracks, insertTrack, selectDisc,
          selectDiscFiles, insertDisc, deleteDiscFiles, insertDiscFile}) {
        sqlite3_finalize(statement);
    }
    sqlite3_close(database);
}

void HashCache::Fail(const std::string& what) {
    problem = what;
    if (database != nullptr && sqlite3_errmsg(database) != nullptr) {
        problem += std::string(" (") + sqlite3_errmsg(database) + ")";
    }
    // Statements prepared so far are finalized by the close.
    for (sqlite3_stmt* statement :
         {selectFile, selectTracks, insertFile, deleteTracks, insertTrack, selectDisc,
          selectDiscFiles, insertDisc, deleteDiscFiles, insertDiscFile}) {
        sqlite3_finalize(statement);
    }
    selectFile = selectTracks = insertFile = deleteTracks = insertTrack = selectDisc =
        selectDiscFiles = insertDisc = deleteDiscFiles = insertDiscFile = nullptr;
    sqlite3_close(database);
    database = nullptr;
    inTransaction = false;
}

bool HashCache::Execute(const char* sql) {
    if (database == nullptr) return false;
    if (sqlite3_exec(database, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    Fail("cannot be written");
    return false;
}

sqlite3_stmt* HashCache::Prepare(const char* sql) {
    if (database == nullptr) return nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, sql, -1, &statement, nullptr) != SQLITE_OK) {
        Fail("cannot be read");
        return nullptr;
    }
    return statement;
}

void HashCache::Begin() {
    if (!inTransaction && Execute("BEGIN IMMEDIATE")) inTransaction = true;
}

void HashCache::Commit() {
    if (inTransaction && Execute("COMMIT")) inTransaction = false;
}

bool HashCache::Holds(const std::string& path, const FileStamp& stamp) {
    if (database == nullptr) return false;
    const Using use(selectFile);
    BindText(selectFile, 1, KeyOf(path));
    if (sqlite3_step(selectFile) != SQLITE_ROW) return false;
    return std::uint64_t(sqlite3_column_int64(selectFile, 0)) == stamp.size &&
           sqlite3_column_int64(selectFile, 1) == stamp.modifiedNs &&
           std::uint64_t(sqlite3_column_int64(selectFile, 2)) == stamp.inode;
}

std::optional<std::vector<CachedTrack>> HashCache::FileTracks(const std::string& path,
                                                              const FileStamp& stamp) {
    if (!Holds(path, stamp)) return std::nullopt;
    const Using use(selectTracks);
    BindText(selectTracks, 1, KeyOf(path));
    std::vector<CachedTrack> tracks;
    while (sqlite3_step(selectTracks) == SQLITE_ROW) {
        CachedTrack& track = tracks.emplace_back();
        track.label = ColumnText(selectTracks, 0);
        track.size = std::uint64_t(sqlite3_column_int64(selectTracks, 1));
        track.hashed = sqlite3_column_type(selectTracks, 2) != SQLITE_NULL;
        track.crc = std::uint32_t(sqlite3_column_int64(selectTracks, 2));
        track.sha1 = ColumnText(selectTracks, 3);
    }
    return tracks;
}

void HashCache::StoreFile(const std::string& path, const FileStamp& stamp,
                          const std::vector<CachedTrack>& tracks) {
    Begin();
    if (database == nullptr) return;
    const std::string key = KeyOf(path);
    bool stored = true;
    {
        const Using use(insertFile);
        BindText(insertFile, 1, key);
        sqlite3_bind_int64(insertFile, 2, sqlite3_int64(stamp.size));
        sqlite3_bind_int64(insertFile, 3, stamp.modifiedNs);
        sqlite3_bind_int64(insertFile, 4, sqlite3_int64(stamp.inode));
        stored = sqlite3_step(insertFile) == SQLITE_DONE;
    }
    {
        const Using use(deleteTracks);
        BindText(deleteTracks, 1, key);
        stored = stored && sqlite3_step(deleteTracks) == SQLITE_DONE;
    }
    for (std::size_t position = 0; stored && position < tracks.size(); ++position) {
        const CachedTrack& track = tracks[position];
        const Using use(insertTrack);
        BindText(insertTrack, 1, key);
        sqlite3_bind_int64(insertTrack, 2, sqlite3_int64(position));
        BindText(insertTrack, 3, track.label);
        sqlite3_bind_int64(insertTrack, 4, sqlite3_int64(track.size));
        if (track.hashed) {
            sqlite3_bind_int64(insertTrack, 5, sqlite3_int64(track.crc));
            BindText(insertTrack, 6, track.sha1);
        }
        stored = sqlite3_step(insertTrack) == SQLITE_DONE;
    }
    if (!stored) Fail("cannot be written");
}

std::optional<CachedDisc> HashCache::Disc(const std::string& candidate, int systemIndex) {
    if (database == nullptr) return std::nullopt;
    const std::string key = KeyOf(candidate);
    CachedDisc disc;
    {
        const Using use(selectDisc);
        BindText(selectDisc, 1, key);
        sqlite3_bind_int(selectDisc, 2, systemIndex);
        if (sqlite3_step(selectDisc) != SQLITE_ROW) return std::nullopt;
        disc.identifier = ColumnText(selectDisc, 0);
        disc.shownPath = ColumnText(selectDisc, 1);
    }
    const Using use(selectDiscFiles);
    BindText(selectDiscFiles, 1, key);
    sqlite3_bind_int(selectDiscFiles, 2, systemIndex);
    while (sqlite3_step(selectDiscFiles) == SQLITE_ROW) {
        disc.files.push_back(
            {ColumnText(selectDiscFiles, 0), sqlite3_column_int(selectDiscFiles, 1) != 0});
    }
    return disc;
}

void HashCache::StoreDisc(const std::string& candidate, int systemIndex, const CachedDisc& disc) {
    Begin();
    if (database == nullptr) return;
    const std::string key = KeyOf(candidate);
    bool stored = true;
    {
        const Using use(insertDisc);
        BindText(insertDisc, 1, key);
        sqlite3_bind_int(insertDisc, 2, systemIndex);
        BindText(insertDisc, 3, disc.identifier);
        BindText(insertDisc, 4, disc.shownPath);
        stored = sqlite3_step(insertDisc) == SQLITE_DONE;
    }
    {
        const Using use(deleteDiscFiles);
        BindText(deleteDiscFiles, 1, key);
        sqlite3_bind_int(deleteDiscFiles, 2, systemIndex);
        stored = stored && sqlite3_step(deleteDiscFiles) == SQLITE_DONE;
    }
    for (std::size_t position = 0; stored && position < disc.files.size(); ++position) {
        const Using use(insertDiscFile);
        BindText(insertDiscFile, 1, key);
        sqlite3_bind_int(insertDiscFile, 2, systemIndex);
        sqlite3_bind_int64(insertDiscFile, 3, sqlite3_int64(position));
        BindText(insertDiscFile, 4, KeyOf(disc.files[position].path));
        sqlite3_bind_int(insertDiscFile, 5, disc.files[position].holdsTracks ? 1 : 0);
        stored = sqlite3_step(insertDiscFile) == SQLITE_DONE;
    }
    if (!stored) Fail("cannot be written");
}
