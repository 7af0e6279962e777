// latency-fs: a pass-through FUSE file system that waits a given time before
// it answers each request, as a file server across a network does. The
// kernel keeps names and attributes for a second, as an NFS client does by
// default, and keeps a file's cached pages from one open to the next (the
// files of the bench do not change behind the run's back). Requests are
// answered by many threads at once, so requests issued together wait
// together, as they do on a share.
//
//   latency-fs [--delay-us N] [--counts FILE] SOURCE MOUNTPOINT
//
// Runs in the foreground until unmounted (fusermount3 -u MOUNTPOINT); then
// writes how many requests of each kind it answered to FILE.
#define FUSE_USE_VERSION 312

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

enum Request {
    GETATTR,
    READDIR,
    OPENDIR,
    RELEASEDIR,
    OPEN,
    CREATE,
    READ,
    WRITE,
    RELEASE,
    FSYNC,
    RENAME,
    UNLINK,
    MKDIR,
    RMDIR,
    OTHER,
    REQUEST_KINDS
};
constexpr std::array<const char*, REQUEST_KINDS> REQUEST_NAMES = {
    "getattr", "readdir", "opendir", "releasedir", "open",  "create", "read", "write",
    "release", "fsync",   "rename",  "unlink",     "mkdir", "rmdir",  "other"};

std::string source;
std::chrono::microseconds delay{1000};
std::array<std::atomic<long>, REQUEST_KINDS> counts{};

// Every request waits the round trip first.
void Answering(Request kind) {
    counts[kind].fetch_add(1, std::memory_order_relaxed);
    std::this_thread::sleep_for(delay);
}

std::string Real(const char* path) {
    return source + path;
}

int Result(int returned) {
    return returned < 0 ? -errno : 0;
}

void* Init(fuse_conn_info* /*connection*/, fuse_config* config) {
    config->entry_timeout = 1.0;
    config->attr_timeout = 1.0;
    config->negative_timeout = 0.0;
    config->kernel_cache = 1;
    config->hard_remove = 1;
    config->use_ino = 1;
    return nullptr;
}

int GetAttr(const char* path, struct stat* status, fuse_file_info* file) {
    Answering(GETATTR);
    if (file != nullptr) return Result(fstat(int(file->fh), status));
    return Result(lstat(Real(path).c_str(), status));
}

struct OpenFolder {
    DIR* dir = nullptr;
    dirent* pending = nullptr;
    off_t offset = 0;
};

int OpenDir(const char* path, fuse_file_info* file) {
    Answering(OPENDIR);
    DIR* dir = opendir(Real(path).c_str());
    if (dir == nullptr) return -errno;
    file->fh = reinterpret_cast<std::uint64_t>(new OpenFolder{dir});
    return 0;
}

// Answers one page of entries per request, from where the last one ended,
// with each entry's type as the underlying folder gives it.
int ReadDir(const char* /*path*/, void* buffer, fuse_fill_dir_t fill, off_t offset,
            fuse_file_info* file, fuse_readdir_flags /*flags*/) {
    Answering(READDIR);
    auto* folder = reinterpret_cast<OpenFolder*>(file->fh);
    if (offset != folder->offset) {
        seekdir(folder->dir, offset);
        folder->pending = nullptr;
        folder->offset = offset;
    }
    while (true) {
        if (folder->pending == nullptr) folder->pending = readdir(folder->dir);
        if (folder->pending == nullptr) break;
        struct stat status = {};
        status.st_ino = folder->pending->d_ino;
        status.st_mode = mode_t(folder->pending->d_type) << 12;
        const off_t next = telldir(folder->dir);
        if (fill(buffer, folder->pending->d_name, &status, next, fuse_fill_dir_flags(0)) != 0) {
            break;
        }
        folder->pending = nullptr;
        folder->offset = next;
    }
    return 0;
}

int ReleaseDir(const char* /*path*/, fuse_file_info* file) {
    Answering(RELEASEDIR);
    auto* folder = reinterpret_cast<OpenFolder*>(file->fh);
    closedir(folder->dir);
    delete folder;
    return 0;
}

int Open(const char* path, fuse_file_info* file) {
    Answering(OPEN);
    const int fd = open(Real(path).c_str(), file->flags);
    if (fd < 0) return -errno;
    file->fh = std::uint64_t(fd);
    return 0;
}

int Create(const char* path, mode_t mode, fuse_file_info* file) {
    Answering(CREATE);
    const int fd = open(Real(path).c_str(), file->flags, mode);
    if (fd < 0) return -errno;
    file->fh = std::uint64_t(fd);
    return 0;
}

int Read(const char* /*path*/, char* buffer, size_t size, off_t offset, fuse_file_info* file) {
    Answering(READ);
    const ssize_t got = pread(int(file->fh), buffer, size, offset);
    return got < 0 ? -errno : int(got);
}

int Write(const char* /*path*/, const char* buffer, size_t size, off_t offset,
          fuse_file_info* file) {
    Answering(WRITE);
    const ssize_t put = pwrite(int(file->fh), buffer, size, offset);
    return put < 0 ? -errno : int(put);
}

int Release(const char* /*path*/, fuse_file_info* file) {
    Answering(RELEASE);
    close(int(file->fh));
    return 0;
}

int Fsync(const char* /*path*/, int dataOnly, fuse_file_info* file) {
    Answering(FSYNC);
    return Result(dataOnly != 0 ? fdatasync(int(file->fh)) : fsync(int(file->fh)));
}

int Rename(const char* from, const char* to, unsigned int flags) {
    Answering(RENAME);
    return Result(renameat2(AT_FDCWD, Real(from).c_str(), AT_FDCWD, Real(to).c_str(), flags));
}

int Unlink(const char* path) {
    Answering(UNLINK);
    return Result(unlink(Real(path).c_str()));
}

int MkDir(const char* path, mode_t mode) {
    Answering(MKDIR);
    return Result(mkdir(Real(path).c_str(), mode));
}

int RmDir(const char* path) {
    Answering(RMDIR);
    return Result(rmdir(Real(path).c_str()));
}

int Link(const char* from, const char* to) {
    Answering(OTHER);
    return Result(link(Real(from).c_str(), Real(to).c_str()));
}

int Truncate(const char* path, off_t size, fuse_file_info* file) {
    Answering(OTHER);
    if (file != nullptr) return Result(ftruncate(int(file->fh), size));
    return Result(truncate(Real(path).c_str(), size));
}

int Chmod(const char* path, mode_t mode, fuse_file_info* file) {
    Answering(OTHER);
    if (file != nullptr) return Result(fchmod(int(file->fh), mode));
    return Result(chmod(Real(path).c_str(), mode));
}

int Utimens(const char* path, const timespec times[2], fuse_file_info* file) {
    Answering(OTHER);
    if (file != nullptr) return Result(futimens(int(file->fh), times));
    return Result(utimensat(AT_FDCWD, Real(path).c_str(), times, AT_SYMLINK_NOFOLLOW));
}

int StatFs(const char* path, struct statvfs* status) {
    Answering(OTHER);
    return Result(statvfs(Real(path).c_str(), status));
}

void WriteCounts(const char* path) {
    std::FILE* out = std::fopen(path, "w");
    if (out == nullptr) return;
    for (int kind = 0; kind < REQUEST_KINDS; ++kind) {
        std::fprintf(out, "%s %ld\n", REQUEST_NAMES[kind], counts[kind].load());
    }
    std::fclose(out);
}

int Usage() {
    std::fprintf(stderr, "usage: latency-fs [--delay-us N] [--counts FILE] SOURCE MOUNTPOINT\n");
    return 64;
}

}  // namespace

int main(int argc, char** argv) {
    const char* countsFile = nullptr;
    int next = 1;
    for (; next + 1 < argc && std::strncmp(argv[next], "--", 2) == 0; next += 2) {
        if (std::strcmp(argv[next], "--delay-us") == 0) {
            delay = std::chrono::microseconds(std::atol(argv[next + 1]));
        } else if (std::strcmp(argv[next], "--counts") == 0) {
            countsFile = argv[next + 1];
        } else {
            return Usage();
        }
    }
    if (argc - next != 2) return Usage();
    char* real = realpath(argv[next], nullptr);
    if (real == nullptr) return Usage();
    source = real;
    std::free(real);
    const char* mountPoint = argv[next + 1];

    fuse_operations operations = {};
    operations.init = Init;
    operations.getattr = GetAttr;
    operations.opendir = OpenDir;
    operations.readdir = ReadDir;
    operations.releasedir = ReleaseDir;
    operations.open = Open;
    operations.create = Create;
    operations.read = Read;
    operations.write = Write;
    operations.release = Release;
    operations.fsync = Fsync;
    operations.rename = Rename;
    operations.unlink = Unlink;
    operations.mkdir = MkDir;
    operations.rmdir = RmDir;
    operations.link = Link;
    operations.truncate = Truncate;
    operations.chmod = Chmod;
    operations.utimens = Utimens;
    operations.statfs = StatFs;

    char program[] = "latency-fs";
    char* fuseArgv[] = {program, nullptr};
    fuse_args args = FUSE_ARGS_INIT(1, fuseArgv);
    fuse* fs = fuse_new(&args, &operations, sizeof operations, nullptr);
    if (fs == nullptr) return 1;
    if (fuse_mount(fs, mountPoint) != 0) {
        fuse_destroy(fs);
        return 1;
    }
    fuse_set_signal_handlers(fuse_get_session(fs));
    fuse_loop_config* loop = fuse_loop_cfg_create();
    // Enough threads that every request issued at once waits at once.
    fuse_loop_cfg_set_max_threads(loop, 64);
    fuse_loop_cfg_set_idle_threads(loop, 64);
    const int status = fuse_loop_mt(fs, loop);
    fuse_loop_cfg_destroy(loop);
    fuse_remove_signal_handlers(fuse_get_session(fs));
    fuse_unmount(fs);
    fuse_destroy(fs);
    if (countsFile != nullptr) WriteCounts(countsFile);
    return status == 0 ? 0 : 1;
}
