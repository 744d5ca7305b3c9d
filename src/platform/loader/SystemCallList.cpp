#include "platform/loader/SystemCallList.h"

#include <iterator>

namespace quorvel::platform::loader {
namespace {

// The C library's allocator and every decoder's buffers.
constexpr AllowedCall memory[] = {{"brk"}, {"mmap"}, {"munmap"}, {"mremap"}, {"mprotect"}, {"madvise"}};

// Reading the handed image through its descriptor, and the libraries, fonts
// and data files the loaders open read-only (open and openat themselves are
// filtered on their flags; the file-system ruleset bounds the paths).
constexpr AllowedCall reading[] = {{"read"},        {"pread64"},    {"readv"},     {"preadv"},   {"lseek"},
                                   {"fstat"},       {"newfstatat"}, {"statx"},     {"stat"},     {"lstat"},
                                   {"fstatfs"},     {"statfs"},     {"getdents64"}, {"readlink"}, {"readlinkat"},
                                   {"access"},      {"faccessat"},  {"faccessat2"}, {"close"},    {"fcntl"},
                                   {"dup"},         {"dup3"},       {"getcwd"},    {"fadvise64"}};

// Threads of libvips' worker pool, glib, OpenJPEG, libjxl and libheif
// (clone itself only for threads, below).
constexpr AllowedCall threads[] = {{"futex"},          {"set_robust_list"}, {"get_robust_list"}, {"rseq"},
                                   {"sched_yield"},     {"sched_getaffinity"}, {"gettid"},        {"exit"},
                                   {"exit_group"},      {"set_tid_address"}, {"nanosleep"},       {"clock_nanosleep"},
                                   {"membarrier"},      {"sched_getparam"},  {"sched_getscheduler"}};

// Clocks: glib, libvips' progress, ImageMagick's resource timers.
constexpr AllowedCall time[] = {{"clock_gettime"}, {"clock_getres"}, {"gettimeofday"}, {"time"}, {"times"}};

// Signal handling of the process itself (sending is filtered below).
constexpr AllowedCall signals[] = {{"rt_sigaction"}, {"rt_sigprocmask"}, {"rt_sigreturn"}, {"sigaltstack"}};

// Who and where it is: glib's user and system queries, ImageMagick's
// resource limits, the C library's random numbers.
constexpr AllowedCall identity[] = {{"getpid"},    {"getuid"},  {"geteuid"},    {"getgid"},      {"getegid"},
                                    {"getresuid"}, {"getresgid"}, {"getrusage"}, {"uname"},       {"sysinfo"},
                                    {"getrandom"}, {"getrlimit"}, {"getpgrp"},   {"getppid"}, {"umask"}};

// Memory placement queries of the allocators (libgomp, ImageMagick).
constexpr AllowedCall placement[] = {{"get_mempolicy"}, {"set_mempolicy"}};

// glib's wake-ups between its threads and its main loop.
constexpr AllowedCall waking[] = {{"poll"}, {"ppoll"}, {"eventfd2"}, {"pipe2"}};

constexpr AllowedGroup groups[] = {
    {"C library allocator", memory, int(std::size(memory))},
    {"image and library data, read-only", reading, int(std::size(reading))},
    {"worker threads", threads, int(std::size(threads))},
    {"clocks", time, int(std::size(time))},
    {"own signal handlers", signals, int(std::size(signals))},
    {"identity and limits", identity, int(std::size(identity))},
    {"glib wake-ups", waking, int(std::size(waking))},
    {"memory placement", placement, int(std::size(placement))},
};

// clone3 hides its flags from the filter (the C library then falls back to
// clone); openat2 its open flags.
constexpr AllowedCall absent[] = {{"clone3"}, {"openat2"}};

} // namespace

const AllowedGroup* allowedGroups(int& count)
{
    count = int(std::size(groups));
    return groups;
}

const AllowedCall* absentCalls(int& count)
{
    count = int(std::size(absent));
    return absent;
}

} // namespace quorvel::platform::loader
