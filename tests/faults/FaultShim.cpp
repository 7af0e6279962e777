// Faults injected into a process from outside, by LD_PRELOAD, so that the
// program meets them exactly where the system would hand them out:
//
//   ORVANE_FAULT_MOVE_FROM=a|b        moves (renameat2 with RENAME_NOREPLACE)
//                                     of a path holding one of the texts fail
//                                     with EIO
//   ORVANE_FAULT_KILL_AFTER_MOVES=N   the process is killed (SIGKILL) right
//                                     after its Nth move succeeded
//
// Only moves that never replace anything are touched: those are the moves of
// users' files; the rewrites of files the program owns go through rename().
#include <dlfcn.h>
#include <fcntl.h>
#include <cstdio>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

using renameat2_function = int (*)(int, const char*, int, const char*, unsigned int);

namespace {

bool Matches(const char* path) {
    const char* patterns = std::getenv("ORVANE_FAULT_MOVE_FROM");
    if (patterns == nullptr || *patterns == '\0') return false;
    char copy[4096];
    std::snprintf(copy, sizeof copy, "%s", patterns);
    char* saved = nullptr;
    for (char* pattern = strtok_r(copy, "|", &saved); pattern != nullptr;
         pattern = strtok_r(nullptr, "|", &saved)) {
        if (*pattern != '\0' && std::strstr(path, pattern) != nullptr) return true;
    }
    return false;
}

}  // namespace

extern "C" int renameat2(int oldDirectory, const char* oldPath, int newDirectory,
                         const char* newPath, unsigned int flags) {
    static const auto real = reinterpret_cast<renameat2_function>(dlsym(RTLD_NEXT, "renameat2"));
    const bool isMove = (flags & RENAME_NOREPLACE) != 0;
    if (isMove && Matches(oldPath)) {
        errno = EIO;
        return -1;
    }
    const int result = real(oldDirectory, oldPath, newDirectory, newPath, flags);
    const char* killAfter = std::getenv("ORVANE_FAULT_KILL_AFTER_MOVES");
    if (result == 0 && isMove && killAfter != nullptr) {
        static int moves = 0;
        if (++moves >= std::atoi(killAfter)) std::raise(SIGKILL);
    }
    return result;
}
