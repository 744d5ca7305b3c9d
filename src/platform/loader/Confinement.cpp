#include "platform/loader/Confinement.h"

#include "platform/loader/SystemCallList.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <linux/capability.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <pwd.h>
#include <sched.h>
#include <seccomp.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <termios.h>
#include <unistd.h>

// AddressSanitizer reserves terabytes of address space for its shadow before
// main, so its builds cannot limit the address space.
#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_ADDRESS_SANITIZER 1
#endif
#endif

namespace quorvel::platform::loader {
namespace {

constexpr rlim_t addressSpaceBytes = rlim_t(1) << 30;
constexpr rlim_t openDescriptors = 32;
// Newer than the seccomp library's tables; the same number on every
// architecture.
constexpr int fchmodat2Call = 452;
// O_TMPFILE's own bit: the C library's __O_TMPFILE includes O_DIRECTORY,
// which would refuse opening folders.
constexpr scmp_datum_t tmpFileBit = 020000000;

int landlockAbi = 0;

// Never above a hard limit already in force, which only root could raise.
bool setLimit(int resource, rlim_t soft, rlim_t hard)
{
    rlimit current{};
    if (::getrlimit(resource, &current) == 0 && current.rlim_max != RLIM_INFINITY)
        hard = std::min(hard, current.rlim_max);
    const rlimit limit{std::min(soft, hard), hard};
    return ::setrlimit(resource, &limit) == 0;
}

bool onDevNull(bool keepStderr)
{
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0)
        return false;
    bool ok = true;
    for (int fd = 0; fd <= (keepStderr ? 1 : 2); ++fd)
        ok = ok && ::dup2(null, fd) == fd;
    ::close(null);
    return ok;
}

// Root becomes nobody: no supplementary groups, no capabilities left in any
// set, the bounding set included.
bool dropRoot()
{
    if (::getuid() != 0 && ::geteuid() != 0 && ::getgid() != 0 && ::getegid() != 0)
        return true;
    uid_t uid = 65534;
    gid_t gid = 65534;
    if (const passwd* nobody = ::getpwnam("nobody")) {
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
    }
    if (uid == 0 || gid == 0)
        return false;
    for (int cap = 0; cap <= 63; ++cap) {
        if (::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0 && errno != EINVAL)
            return false;
    }
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0)
        return false;
    // Leaving uid 0 cleared the permitted and effective sets; make sure.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capset, &header, data) != 0)
        return false;
    uid_t r, e, s;
    gid_t gr, ge, gs;
    return ::getresuid(&r, &e, &s) == 0 && r != 0 && e != 0 && s != 0 && ::getresgid(&gr, &ge, &gs) == 0 && gr != 0
        && ge != 0 && gs != 0 && ::prctl(PR_CAPBSET_READ, CAP_SYS_ADMIN, 0, 0, 0) == 0;
}

// The zygote's filter: what it never needs, refused. It forks the children,
// which then install their own allow-list on top.
bool installZygoteFilter()
{
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
    if (!ctx)
        return false;
    bool ok = true;
    const auto refuse = [&](int call) { ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EPERM), call, 0) == 0; };
    // No new sockets: it inherits the one it talks on and is handed the rest.
    for (int call : {SCMP_SYS(socket), SCMP_SYS(socketpair), SCMP_SYS(connect), SCMP_SYS(bind), SCMP_SYS(listen),
                     SCMP_SYS(accept), SCMP_SYS(accept4)})
        refuse(call);
    // No other program, no looking into other processes.
    for (int call : {SCMP_SYS(execve), SCMP_SYS(execveat), SCMP_SYS(ptrace), SCMP_SYS(process_vm_readv),
                     SCMP_SYS(process_vm_writev), SCMP_SYS(kill), SCMP_SYS(tkill), SCMP_SYS(pidfd_getfd),
                     SCMP_SYS(pidfd_send_signal), SCMP_SYS(rt_sigqueueinfo), SCMP_SYS(setpriority)})
        refuse(call);
    // Nothing written, created, renamed or removed on any file system.
    for (int call : {SCMP_SYS(creat), SCMP_SYS(truncate), SCMP_SYS(mkdir), SCMP_SYS(mkdirat), SCMP_SYS(rmdir),
                     SCMP_SYS(unlink), SCMP_SYS(unlinkat), SCMP_SYS(rename), SCMP_SYS(renameat), SCMP_SYS(renameat2),
                     SCMP_SYS(link), SCMP_SYS(linkat), SCMP_SYS(symlink), SCMP_SYS(symlinkat), SCMP_SYS(mknod),
                     SCMP_SYS(mknodat), SCMP_SYS(chmod), SCMP_SYS(fchmod), SCMP_SYS(fchmodat), fchmodat2Call,
                     SCMP_SYS(chown), SCMP_SYS(fchown), SCMP_SYS(fchownat), SCMP_SYS(lchown), SCMP_SYS(utimensat),
                     SCMP_SYS(utime), SCMP_SYS(utimes), SCMP_SYS(futimesat), SCMP_SYS(setxattr), SCMP_SYS(lsetxattr),
                     SCMP_SYS(fsetxattr), SCMP_SYS(removexattr), SCMP_SYS(lremovexattr), SCMP_SYS(fremovexattr),
                     SCMP_SYS(memfd_create), SCMP_SYS(open_by_handle_at), SCMP_SYS(name_to_handle_at)})
        refuse(call);
    // Nothing that changes the system, shares memory with others or leaves
    // the filter.
    for (int call : {SCMP_SYS(mount), SCMP_SYS(umount2), SCMP_SYS(pivot_root), SCMP_SYS(chroot), SCMP_SYS(setns),
                     SCMP_SYS(bpf), SCMP_SYS(perf_event_open), SCMP_SYS(keyctl), SCMP_SYS(add_key),
                     SCMP_SYS(request_key), SCMP_SYS(userfaultfd), SCMP_SYS(io_uring_setup), SCMP_SYS(io_uring_enter),
                     SCMP_SYS(io_uring_register), SCMP_SYS(init_module), SCMP_SYS(finit_module),
                     SCMP_SYS(delete_module), SCMP_SYS(kexec_load), SCMP_SYS(reboot), SCMP_SYS(swapon),
                     SCMP_SYS(swapoff), SCMP_SYS(acct), SCMP_SYS(setuid), SCMP_SYS(setgid), SCMP_SYS(setreuid),
                     SCMP_SYS(setregid), SCMP_SYS(setresuid), SCMP_SYS(setresgid), SCMP_SYS(setgroups),
                     SCMP_SYS(personality), SCMP_SYS(shmget), SCMP_SYS(shmat), SCMP_SYS(msgget), SCMP_SYS(semget),
                     SCMP_SYS(mq_open)})
        refuse(call);
    ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0;
    // Files open for reading only.
    for (scmp_datum_t flag :
         std::initializer_list<scmp_datum_t>{O_WRONLY, O_RDWR, O_CREAT, O_TRUNC, O_APPEND, tmpFileBit}) {
        ok = ok
            && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EACCES), SCMP_SYS(open), 1, SCMP_A1(SCMP_CMP_MASKED_EQ, flag, flag))
                == 0;
        ok = ok
            && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EACCES), SCMP_SYS(openat), 1,
                                SCMP_A2(SCMP_CMP_MASKED_EQ, flag, flag))
                == 0;
    }
    ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(openat2), 0) == 0;
    ok = ok && seccomp_load(ctx) == 0;
    seccomp_release(ctx);
    return ok;
}

constexpr scmp_datum_t openWriteFlags = O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND | tmpFileBit;

// The child's filter: only what the table and the rules below allow; any
// other call ends the process. `self` is the process allowed to signal itself.
scmp_filter_ctx childFilter(scmp_datum_t self)
{
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (!ctx)
        return nullptr;
    // A tree of the calls rather than a list: the kernel walks the filter
    // for every call when it loads it, and the children load it often.
    bool ok = seccomp_attr_set(ctx, SCMP_FLTATR_CTL_OPTIMIZE, 2) == 0;
    const auto rule = [&](uint32_t action, const char* name, std::initializer_list<scmp_arg_cmp> args) {
        const int call = seccomp_syscall_resolve_name(name);
        if (call == __NR_SCMP_ERROR)
            return; // not on this architecture
        ok = ok && seccomp_rule_add_array(ctx, action, call, unsigned(args.size()), args.begin()) == 0;
    };
    int groupCount = 0;
    const AllowedGroup* groups = allowedGroups(groupCount);
    for (int g = 0; g < groupCount; ++g)
        for (int i = 0; i < groups[g].count; ++i)
            rule(SCMP_ACT_ALLOW, groups[g].calls[i].name, {});
    int absentCount = 0;
    const AllowedCall* absent = absentCalls(absentCount);
    for (int i = 0; i < absentCount; ++i)
        rule(SCMP_ACT_ERRNO(ENOSYS), absent[i].name, {});

    // Files: read-only opens pass (the ruleset decides where); an open for
    // writing fails, as fontconfig's cache writer expects it may.
    rule(SCMP_ACT_ALLOW, "openat", {SCMP_A2(SCMP_CMP_MASKED_EQ, openWriteFlags, 0)});
    rule(SCMP_ACT_ALLOW, "open", {SCMP_A1(SCMP_CMP_MASKED_EQ, openWriteFlags, 0)});
    for (scmp_datum_t flag :
         std::initializer_list<scmp_datum_t>{O_WRONLY, O_RDWR, O_CREAT, O_TRUNC, O_APPEND, tmpFileBit}) {
        rule(SCMP_ACT_ERRNO(EACCES), "openat", {SCMP_A2(SCMP_CMP_MASKED_EQ, flag, flag)});
        rule(SCMP_ACT_ERRNO(EACCES), "open", {SCMP_A1(SCMP_CMP_MASKED_EQ, flag, flag)});
    }

    // Output: the reply on the socket; library warnings on descriptor 2,
    // which is /dev/null; glib's wake-ups on the eventfds and pipes it made
    // itself (above the two descriptors it was handed).
    for (const char* call : {"write", "writev"}) {
        rule(SCMP_ACT_ALLOW, call, {SCMP_A0(SCMP_CMP_EQ, 2)});
        rule(SCMP_ACT_ALLOW, call, {SCMP_A0(SCMP_CMP_EQ, childSocket)});
        rule(SCMP_ACT_ALLOW, call, {SCMP_A0(SCMP_CMP_GT, childImage)});
    }
    for (const char* call : {"sendto", "sendmsg"})
        rule(SCMP_ACT_ALLOW, call, {SCMP_A0(SCMP_CMP_EQ, childSocket)});

    // Taking the one request: the zygote's channel (the answer socket once
    // that is closed) is read, the child's own pidfd opened and sent, and
    // the handed descriptors moved into place.
    rule(SCMP_ACT_ALLOW, "recvmsg", {SCMP_A0(SCMP_CMP_EQ, zygoteChannel)});
    rule(SCMP_ACT_ALLOW, "pidfd_open", {SCMP_A0(SCMP_CMP_EQ, self), SCMP_A1(SCMP_CMP_EQ, 0)});
    rule(SCMP_ACT_ALLOW, "close_range", {});

    // Threads only: a clone must share the address space, the signal
    // handlers and the thread group, and make no namespace.
    constexpr scmp_datum_t threadFlags = CLONE_VM | CLONE_SIGHAND | CLONE_THREAD;
    constexpr scmp_datum_t threadMask = threadFlags | CLONE_NEWNS | CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET
        | CLONE_NEWIPC | CLONE_NEWUTS | CLONE_NEWCGROUP | CLONE_PARENT | CLONE_PTRACE | CLONE_VFORK;
    rule(SCMP_ACT_ALLOW, "clone", {SCMP_A0(SCMP_CMP_MASKED_EQ, threadMask, threadFlags)});

    // Signals to itself only (abort, the sanitizers); tkill names a thread
    // that cannot be told apart from another process's, so only the main one.
    rule(SCMP_ACT_ALLOW, "kill", {SCMP_A0(SCMP_CMP_EQ, self)});
    rule(SCMP_ACT_ALLOW, "tgkill", {SCMP_A0(SCMP_CMP_EQ, self)});
    rule(SCMP_ACT_ALLOW, "tkill", {SCMP_A0(SCMP_CMP_EQ, self)});
    rule(SCMP_ACT_ALLOW, "rt_sigqueueinfo", {SCMP_A0(SCMP_CMP_EQ, self)});
    rule(SCMP_ACT_ALLOW, "rt_tgsigqueueinfo", {SCMP_A0(SCMP_CMP_EQ, self)});
    // Its own limits only: read (ImageMagick), and its processor time set
    // for the request it took (never above the hard limit, which only a
    // privileged process could raise).
    rule(SCMP_ACT_ALLOW, "prlimit64", {SCMP_A0(SCMP_CMP_EQ, 0), SCMP_A2(SCMP_CMP_EQ, 0)});
    rule(SCMP_ACT_ALLOW, "prlimit64", {SCMP_A0(SCMP_CMP_EQ, 0), SCMP_A1(SCMP_CMP_EQ, RLIMIT_CPU)});

    // prctl: naming threads (glib, the C library's allocator) and reading
    // back what is set; any other option fails.
    for (scmp_datum_t option : std::initializer_list<scmp_datum_t>{PR_SET_NAME, PR_GET_NAME, PR_GET_DUMPABLE,
                                                                   PR_GET_NO_NEW_PRIVS, 0x53564d41 /* PR_SET_VMA */})
        rule(SCMP_ACT_ALLOW, "prctl", {SCMP_A0(SCMP_CMP_EQ, option)});

    // ioctl: asking whether a descriptor is a terminal (it never is) and the
    // plain descriptor requests; nothing reaches a terminal or a device.
    for (scmp_datum_t request : std::initializer_list<scmp_datum_t>{FIONREAD, FIONBIO, FIOCLEX, FIONCLEX})
        rule(SCMP_ACT_ALLOW, "ioctl", {SCMP_A1(SCMP_CMP_EQ, request)});
    rule(SCMP_ACT_ERRNO(ENOTTY), "ioctl", {SCMP_A1(SCMP_CMP_EQ, TCGETS)});
    rule(SCMP_ACT_ERRNO(ENOTTY), "ioctl", {SCMP_A1(SCMP_CMP_EQ, TIOCGWINSZ)});

    if (!ok) {
        seccomp_release(ctx);
        return nullptr;
    }
    return ctx;
}

// The child's filter is compiled once, in the zygote, for a process id that
// no process can have (above the kernel's largest); each child puts in its
// own before loading it. Compiling it in every child would cost more than
// the rest of its confinement.
constexpr uint32_t placeholderPid = 0x3ADFACE5;
std::vector<sock_filter> compiledChildFilter;

bool compileChildFilter()
{
    scmp_filter_ctx ctx = childFilter(placeholderPid);
    if (!ctx)
        return false;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        seccomp_release(ctx);
        return false;
    }
    const bool exported = seccomp_export_bpf(ctx, pipe[1]) == 0;
    seccomp_release(ctx);
    ::close(pipe[1]);
    std::vector<unsigned char> bytes;
    unsigned char chunk[4096];
    ssize_t n;
    while ((n = ::read(pipe[0], chunk, sizeof chunk)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    ::close(pipe[0]);
    if (!exported || bytes.empty() || bytes.size() % sizeof(sock_filter) != 0)
        return false;
    compiledChildFilter.resize(bytes.size() / sizeof(sock_filter));
    std::memcpy(compiledChildFilter.data(), bytes.data(), bytes.size());
    return true;
}

bool installChildFilter()
{
    const uint32_t self = uint32_t(::getpid());
    std::vector<sock_filter> program = compiledChildFilter;
    int patched = 0;
    for (sock_filter& instruction : program) {
        if (instruction.code == (BPF_JMP | BPF_JEQ | BPF_K) && instruction.k == placeholderPid) {
            instruction.k = self;
            ++patched;
        }
    }
    if (patched >= 6) { // kill, tgkill, tkill, the two queued signals and pidfd_open
        const sock_fprog prog{static_cast<unsigned short>(program.size()), program.data()};
        return ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog, 0, 0) == 0;
    }
    // Compiled in some other shape: compile it here instead.
    scmp_filter_ctx ctx = childFilter(self);
    const bool ok = ctx && seccomp_load(ctx) == 0;
    if (ctx)
        seccomp_release(ctx);
    return ok;
}

// The file-system ruleset, ABI constants as the kernel defines them.
constexpr int landlockCreateRuleset = 444;
constexpr int landlockAddRule = 445;
constexpr int landlockRestrictSelf = 446;
constexpr uint64_t fsExecute = 1u << 0, fsReadFile = 1u << 2, fsReadDir = 1u << 3;
constexpr uint64_t fsAllV1 = (1u << 13) - 1;
constexpr uint64_t fsRefer = 1u << 13, fsTruncate = 1u << 14, fsIoctlDev = 1u << 15;
constexpr uint64_t netAll = (1u << 0) | (1u << 1);
constexpr uint64_t scopeAbstractUnix = 1u << 0, scopeSignal = 1u << 1;

struct RulesetAttr {
    uint64_t handledAccessFs;
    uint64_t handledAccessNet;
    uint64_t scoped;
};

struct __attribute__((packed)) PathBeneath {
    uint64_t allowedAccess;
    int32_t parentFd;
};

// Where the loaders find their libraries, modules, fonts and data.
constexpr const char* readableFolders[] = {"/usr", "/lib", "/lib64", "/etc/fonts", "/etc/ImageMagick-6",
                                           "/etc/ImageMagick-7", "/var/cache/fontconfig", "/sys/devices/system/cpu",
                                           "/proc/self"};
constexpr const char* readableFiles[] = {"/etc/ld.so.cache", "/etc/localtime", "/etc/nsswitch.conf", "/etc/passwd",
                                         "/etc/group", "/dev/urandom", "/proc/meminfo", "/proc/sys/kernel/osrelease"};

int kernelLandlockAbi()
{
    const long abi = ::syscall(landlockCreateRuleset, nullptr, 0, 1u /* LANDLOCK_CREATE_RULESET_VERSION */);
    return abi > 0 ? int(abi) : 0;
}

// True when the ruleset is in force or the kernel has none; false when it
// has one that could not be applied.
bool restrictFiles()
{
    const int abi = landlockAbi;
    if (abi <= 0)
        return true;
    RulesetAttr attr{fsAllV1, 0, 0};
    if (abi >= 2)
        attr.handledAccessFs |= fsRefer;
    if (abi >= 3)
        attr.handledAccessFs |= fsTruncate;
    if (abi >= 5)
        attr.handledAccessFs |= fsIoctlDev;
    if (abi >= 4)
        attr.handledAccessNet = netAll;
    if (abi >= 6)
        attr.scoped = scopeAbstractUnix | scopeSignal;
    const size_t size = abi >= 6 ? sizeof attr : abi >= 4 ? 2 * sizeof(uint64_t) : sizeof(uint64_t);
    const int ruleset = int(::syscall(landlockCreateRuleset, &attr, size, 0));
    if (ruleset < 0)
        return false;
    const auto allow = [&](const char* path, uint64_t access) {
        const int fd = ::open(path, O_PATH | O_CLOEXEC);
        if (fd < 0)
            return; // not on this system
        PathBeneath rule{access & attr.handledAccessFs, fd};
        ::syscall(landlockAddRule, ruleset, 1 /* LANDLOCK_RULE_PATH_BENEATH */, &rule, 0);
        ::close(fd);
    };
    for (const char* folder : readableFolders)
        allow(folder, fsExecute | fsReadFile | fsReadDir);
    for (const char* file : readableFiles)
        allow(file, fsReadFile);
    const bool ok = ::syscall(landlockRestrictSelf, ruleset, 0) == 0;
    ::close(ruleset);
    return ok;
}

} // namespace

bool confineZygote(bool keepStderr)
{
    if (!onDevNull(keepStderr))
        return false;
    // Its own session: no controlling terminal from here on. (It may be a
    // group leader already when started as one; then it has a session.)
    if (::setsid() < 0 && ::getsid(0) != ::getpid())
        return false;
    const pid_t parent = ::getppid();
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0) != 0 || ::getppid() != parent || parent == 1)
        return false;
    if (!dropRoot())
        return false;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0)
        return false;
    if (!setLimit(RLIMIT_CORE, 0, 0) || !setLimit(RLIMIT_FSIZE, 0, 0))
        return false;
    landlockAbi = kernelLandlockAbi();
    return compileChildFilter() && installZygoteFilter();
}

bool prepareChild(int toZygote, int cpuSeconds, int cpuSecondsAtMost)
{
    // Nothing of the zygote's but its channel; the signal to it where the
    // filter lets it be written.
    if (toZygote != spareSignal && ::dup3(toZygote, spareSignal, O_CLOEXEC) != spareSignal)
        return false;
    ::close_range(zygoteChannel + 1, spareSignal - 1, 0);
    ::close_range(spareSignal + 1, ~0U, 0);
    if (::setsid() < 0)
        return false;
    const pid_t zygote = ::getppid();
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0) != 0 || ::getppid() != zygote)
        return false;
    // Namespaces of its own where unprivileged ones are lent: no user's
    // identity, no shared IPC objects. The layers below hold without them.
    // (No network namespace: every socket call is outside the filter's
    // list, and making one costs more than all the other layers together,
    // about 1 ms of every header even with the child prepared ahead.)
    ::unshare(CLONE_NEWUSER | CLONE_NEWIPC);
#ifndef QUORVEL_ADDRESS_SANITIZER
    if (!setLimit(RLIMIT_AS, addressSpaceBytes, addressSpaceBytes))
        return false;
#endif
    if (!setLimit(RLIMIT_FSIZE, 0, 0) || !setLimit(RLIMIT_NOFILE, openDescriptors, openDescriptors)
        || !setLimit(RLIMIT_CORE, 0, 0)
        || !setLimit(RLIMIT_CPU, rlim_t(cpuSeconds), rlim_t(std::max(cpuSeconds, cpuSecondsAtMost)) + 1))
        return false;
    return restrictFiles() && installChildFilter();
}

bool confineChild(int answerSocket, int image, int cpuSeconds)
{
    // The two descriptors it was handed, on fixed numbers; nothing else.
    if (answerSocket == childImage) {
        const int moved = ::fcntl(answerSocket, F_DUPFD_CLOEXEC, childImage + 1);
        if (moved < 0)
            return false;
        answerSocket = moved;
    }
    if (answerSocket != childSocket && ::dup3(answerSocket, childSocket, O_CLOEXEC) != childSocket)
        return false;
    if (image >= 0 && image != childImage && ::dup3(image, childImage, O_CLOEXEC) != childImage)
        return false;
    ::close_range(image >= 0 ? childImage + 1 : childImage, ~0U, 0);
    rlimit cpu{};
    return ::getrlimit(RLIMIT_CPU, &cpu) == 0 && setLimit(RLIMIT_CPU, rlim_t(cpuSeconds), cpu.rlim_max);
}

} // namespace quorvel::platform::loader
