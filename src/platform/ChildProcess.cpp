#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/FileDescriptor.h"

extern char** environ;

namespace platform {
namespace {

constexpr std::size_t MAX_OUTPUT = std::size_t(64) * 1024;
constexpr int POLL_MILLISECONDS = 100;
// How long a program asked to end may take before it is killed.
constexpr auto GRACE = std::chrono::seconds(2);
// Landlock's right to truncate files (ABI 3), which older kernel headers lack.
constexpr std::uint64_t LANDLOCK_TRUNCATE = 1ULL << 14;

// A Landlock rule set that leaves the program every right outside the
// folder but those that create, change or remove files; -1 when the kernel
// has no Landlock (or the folder cannot be opened), and the program then runs
// without it.
int WriteOnlyBelow(const std::string& folder) {
    const long abi =
        syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1) return -1;
    landlock_ruleset_attr attributes{};
    attributes.handled_access_fs = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                                   LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
                                   LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                                   LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                                   LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
    if (abi >= 2) attributes.handled_access_fs |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3) attributes.handled_access_fs |= LANDLOCK_TRUNCATE;
    FileDescriptor rules(
        int(syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0)));
    if (rules.Get() < 0) return -1;
    const FileDescriptor below(open(folder.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (below.Get() < 0) return -1;
    landlock_path_beneath_attr rule{};
    rule.allowed_access = attributes.handled_access_fs;
    rule.parent_fd = below.Get();
    if (syscall(SYS_landlock_add_rule, rules.Get(), LANDLOCK_RULE_PATH_BENEATH, &rule, 0) != 0) {
        return -1;
    }
    return rules.Release();
}

// Between fork and exec only async-signal-safe calls are made: the parent
// may run other threads.
[[noreturn]] void BecomeProgram(const std::string& program, char* const* argv, char* const* envp,
                                int input, int output, int rules, std::uint64_t maxFileBytes,
                                pid_t parent) {
    setpgid(0, 0);
    // A program whose caller was killed must not write on into a folder the
    // next run removes.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (dup2(input, STDIN_FILENO) < 0 || dup2(output, STDOUT_FILENO) < 0 ||
        dup2(output, STDERR_FILENO) < 0) {
        _exit(127);
    }
    if (maxFileBytes > 0) {
        const rlimit limit{rlim_t(maxFileBytes), rlim_t(maxFileBytes)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (rules >= 0) {
        if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            syscall(SYS_landlock_restrict_self, rules, 0) != 0) {
            _exit(127);
        }
    }
    execve(program.c_str(), argv, envp);
    _exit(127);
}

// The environment of the program: ours, under a UTF-8 locale, so that the
// names it writes are UTF-8 like ours.
std::vector<std::string> ChildEnvironment() {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string_view text(*variable);
        if (text.starts_with("LC_ALL=") || text.starts_with("LANG=")) continue;
        variables.emplace_back(text);
    }
    variables.emplace_back("LC_ALL=C.UTF-8");
    variables.emplace_back("LANG=C.UTF-8");
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Reads what is there without waiting; false at the end of the output.
bool ReadAvailable(int fd, std::string& output) {
    char block[4096];
    for (;;) {
        const ssize_t count = read(fd, block, sizeof block);
        if (count > 0) {
            output.append(block, std::min(std::size_t(count),
                                          MAX_OUTPUT - std::min(MAX_OUTPUT, output.size())));
            continue;
        }
        if (count < 0 && errno == EINTR) continue;
        return count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

}  // namespace

std::optional<std::string> FindProgram(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
    const char* path = std::getenv("PATH");
    const std::string folders =
        path != nullptr && *path != '\0' ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        start = end + 1;
        if (folder.empty()) continue;
        const std::string candidate = folder + "/" + name;
        struct stat status;
        if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

ChildResult RunChild(const std::vector<std::string>& arguments, const ChildOptions& options) {
    ChildResult result;
    if (arguments.empty()) return result;
    const std::optional<std::string> program = FindProgram(arguments.front());
    if (!program) return result;

    std::vector<std::string> argumentTexts = arguments;
    std::vector<std::string> environment = ChildEnvironment();
    const std::vector<char*> argv = Pointers(argumentTexts);
    const std::vector<char*> envp = Pointers(environment);
    const FileDescriptor input(open("/dev/null", O_RDONLY | O_CLOEXEC));
    int pipeEnds[2];
    if (input.Get() < 0 || pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return result;
    const FileDescriptor outputRead(pipeEnds[0]);
    FileDescriptor outputWrite(pipeEnds[1]);
    const FileDescriptor rules(
        options.writableFolder.empty() ? -1 : WriteOnlyBelow(options.writableFolder));

    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) return result;
    if (child == 0) {
        BecomeProgram(*program, argv.data(), envp.data(), input.Get(), outputWrite.Get(),
                      rules.Get(), options.maxFileBytes, parent);
    }
    setpgid(child, child);
    outputWrite.Reset();
    result.started = true;

    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> endingSince;
    bool outputOpen = true;
    for (;;) {
        pollfd watch{outputRead.Get(), POLLIN, 0};
        if (outputOpen) {
            poll(&watch, 1, POLL_MILLISECONDS);
            outputOpen = ReadAvailable(outputRead.Get(), result.output);
        } else {
            poll(nullptr, 0, POLL_MILLISECONDS);
        }
        // Seen ended but not yet reaped, so that its process group id cannot
        // pass to another process before the group is killed below.
        siginfo_t ended{};
        if (waitid(P_PID, id_t(child), &ended, WEXITED | WNOHANG | WNOWAIT) != 0 &&
            errno != EINTR) {
            break;
        }
        if (ended.si_pid == child) break;
        if (!endingSince && options.keepRunning && !options.keepRunning()) {
            result.endedByCaller = true;
            kill(-child, SIGTERM);
            endingSince = Clock::now();
        } else if (endingSince && Clock::now() - *endingSince > GRACE) {
            kill(-child, SIGKILL);
        }
    }
    // Whatever the program started goes with it.
    kill(-child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (outputOpen) ReadAvailable(outputRead.Get(), result.output);
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
        if (result.exitCode == 127 && result.output.empty()) result.started = false;
    }
    result.fileTooLarge = WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
    return result;
}

}  // namespace platform
