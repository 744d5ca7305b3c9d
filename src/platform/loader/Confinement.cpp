#include "platform/loader/Confinement.h"

#include <algorithm>
#include <cerrno>
#include <initializer_list>
#include <fcntl.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/time.h>

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
constexpr rlim_t cpuHardSeconds = 3600; // a backstop: the client kills a slow helper far sooner

// Never above a hard limit already in force, which only root could raise.
bool setLimit(int resource, rlim_t soft, rlim_t hard)
{
    rlimit current{};
    if (::getrlimit(resource, &current) == 0 && current.rlim_max != RLIM_INFINITY)
        hard = std::min(hard, current.rlim_max);
    const rlimit limit{std::min(soft, hard), hard};
    return ::setrlimit(resource, &limit) == 0;
}

bool installFilter()
{
    // Allowed unless refused below: libvips, glib and the decoders under
    // them need a wide and version-dependent set of ordinary calls.
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
    if (!ctx)
        return false;
    bool ok = true;
    const auto refuse = [&](int call) {
        ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EPERM), call, 0) == 0;
    };
    // No new sockets of any kind: the helper inherits the one it talks on.
    for (int call : {SCMP_SYS(socket), SCMP_SYS(socketpair), SCMP_SYS(connect), SCMP_SYS(bind), SCMP_SYS(listen),
                     SCMP_SYS(accept), SCMP_SYS(accept4)})
        refuse(call);
    // No other program, no other process.
    for (int call : {SCMP_SYS(execve), SCMP_SYS(execveat), SCMP_SYS(fork), SCMP_SYS(vfork), SCMP_SYS(ptrace),
                     SCMP_SYS(process_vm_readv), SCMP_SYS(process_vm_writev), SCMP_SYS(kill), SCMP_SYS(tkill),
                     SCMP_SYS(pidfd_open), SCMP_SYS(pidfd_getfd), SCMP_SYS(pidfd_send_signal)})
        refuse(call);
    // Nothing written, created, renamed or removed on any file system.
    for (int call : {SCMP_SYS(creat), SCMP_SYS(truncate), SCMP_SYS(mkdir), SCMP_SYS(mkdirat), SCMP_SYS(rmdir),
                     SCMP_SYS(unlink), SCMP_SYS(unlinkat), SCMP_SYS(rename), SCMP_SYS(renameat), SCMP_SYS(renameat2),
                     SCMP_SYS(link), SCMP_SYS(linkat), SCMP_SYS(symlink), SCMP_SYS(symlinkat), SCMP_SYS(mknod),
                     SCMP_SYS(mknodat), SCMP_SYS(chmod), SCMP_SYS(fchmod), SCMP_SYS(fchmodat), SCMP_SYS(chown),
                     SCMP_SYS(fchown), SCMP_SYS(fchownat), SCMP_SYS(lchown), SCMP_SYS(utimensat), SCMP_SYS(memfd_create),
                     SCMP_SYS(open_by_handle_at), SCMP_SYS(name_to_handle_at)})
        refuse(call);
    // Nothing that changes the system or escapes the filter.
    for (int call : {SCMP_SYS(mount), SCMP_SYS(umount2), SCMP_SYS(pivot_root), SCMP_SYS(chroot), SCMP_SYS(unshare),
                     SCMP_SYS(setns), SCMP_SYS(bpf), SCMP_SYS(perf_event_open), SCMP_SYS(keyctl), SCMP_SYS(add_key),
                     SCMP_SYS(request_key), SCMP_SYS(userfaultfd), SCMP_SYS(io_uring_setup), SCMP_SYS(init_module),
                     SCMP_SYS(finit_module), SCMP_SYS(delete_module), SCMP_SYS(kexec_load), SCMP_SYS(reboot),
                     SCMP_SYS(swapon), SCMP_SYS(swapoff), SCMP_SYS(acct), SCMP_SYS(setuid), SCMP_SYS(setgid),
                     SCMP_SYS(setreuid), SCMP_SYS(setregid), SCMP_SYS(setresuid), SCMP_SYS(setresgid),
                     SCMP_SYS(setgroups), SCMP_SYS(personality), SCMP_SYS(seccomp)})
        refuse(call);
    // Threads only: clone3 hides its flags from the filter, so it is
    // refused as absent (the C library then falls back to clone), and
    // clone must ask for a thread.
    ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0;
    ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(clone), 1,
                                SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0)) == 0;
    // Files open for reading only.
    for (scmp_datum_t flag : std::initializer_list<scmp_datum_t>{O_WRONLY, O_RDWR, O_CREAT, O_TRUNC, O_APPEND,
                                                                 __O_TMPFILE}) {
        ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EACCES), SCMP_SYS(open), 1,
                                    SCMP_A1(SCMP_CMP_MASKED_EQ, flag, flag)) == 0;
        ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EACCES), SCMP_SYS(openat), 1,
                                    SCMP_A2(SCMP_CMP_MASKED_EQ, flag, flag)) == 0;
    }
    // openat2 passes its flags in memory the filter cannot read.
    ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(openat2), 0) == 0;
    ok = ok && seccomp_load(ctx) == 0;
    seccomp_release(ctx);
    return ok;
}

} // namespace

bool confineProcess()
{
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    if (::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0) // no core files, no ptrace attach by peers
        return false;
#ifndef QUORVEL_ADDRESS_SANITIZER
    if (!setLimit(RLIMIT_AS, addressSpaceBytes, addressSpaceBytes))
        return false;
#endif
    if (!setLimit(RLIMIT_FSIZE, 0, 0)
        || !setLimit(RLIMIT_NOFILE, openDescriptors, openDescriptors) || !setLimit(RLIMIT_CORE, 0, 0)
        || !setLimit(RLIMIT_CPU, 60, cpuHardSeconds))
        return false;
    return installFilter();
}

void allowCpuSecondsFromNow(int seconds)
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const rlim_t used = rlim_t(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1;
    setLimit(RLIMIT_CPU, std::min<rlim_t>(used + rlim_t(seconds), cpuHardSeconds), cpuHardSeconds);
}

} // namespace quorvel::platform::loader
