#include "platform/loader/TestTriggers.h"

#include "platform/loader/Confinement.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/io_uring.h>
#include <sys/ioctl.h>
#include <sys/ipc.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <termios.h>
#include <unistd.h>

namespace quorvel::platform::loader {
namespace {

void answerHeader(const Request& request, const char* colourSpace)
{
    ImageHeader header;
    header.readable = true;
    header.pixelsHigh = header.pixelsWide = 1;
    header.colourSpaceName = colourSpace;
    Writer w;
    writeHeader(w, header, nullptr);
    sendReply(childSocket, request.number, w.data());
}

[[noreturn]] void sleepForever()
{
    for (;;) {
        timespec second{1, 0};
        ::nanosleep(&second, nullptr);
    }
}

// One attempt to reach beyond the file, as an exploit in a decoder would:
// true when the call succeeded. `pid` is another process of the user,
// `path` a file of the user's that the child was not handed.
bool escape(const std::string& attempt, pid_t pid, const std::string& path)
{
    char byte = 'x';
    if (attempt == "none")
        return true;
    if (attempt == "tiocsti-tty") {
        const int tty = ::open("/dev/tty", O_RDONLY);
        return tty >= 0 && ::ioctl(tty, TIOCSTI, &byte) == 0;
    }
    if (attempt == "tiocsti-stderr")
        return ::ioctl(2, TIOCSTI, &byte) == 0;
    if (attempt == "kill")
        return ::kill(pid, SIGTERM) == 0;
    if (attempt == "tgkill")
        return ::syscall(SYS_tgkill, pid, pid, SIGTERM) == 0;
    if (attempt == "sigqueue") {
        siginfo_t info{};
        info.si_code = SI_QUEUE;
        info.si_pid = ::getpid();
        return ::syscall(SYS_rt_sigqueueinfo, pid, SIGTERM, &info) == 0;
    }
    if (attempt == "pidfd-signal") {
        const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
        return pidfd >= 0 && ::syscall(SYS_pidfd_send_signal, pidfd, SIGTERM, nullptr, 0) == 0;
    }
    if (attempt == "prlimit") {
        const rlimit none{0, 0};
        return ::prlimit(pid, RLIMIT_NOFILE, &none, nullptr) == 0;
    }
    if (attempt == "setpriority")
        return ::setpriority(PRIO_PROCESS, id_t(pid), 19) == 0;
    if (attempt == "chmod")
        return ::chmod(path.c_str(), 0777) == 0;
    if (attempt == "fchmodat2")
        return ::syscall(452, AT_FDCWD, path.c_str(), 0777, 0) == 0;
    if (attempt == "utimensat")
        return ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0) == 0;
    if (attempt == "setxattr")
        return ::setxattr(path.c_str(), "user.quorvel", "x", 1, 0) == 0;
    if (attempt == "parent-mem")
        return ::open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY) >= 0;
    if (attempt == "parent-fd")
        return ::open(("/proc/" + std::to_string(pid) + "/fd/0").c_str(), O_RDONLY) >= 0;
    if (attempt == "read-other") {
        const int fd = ::open(path.c_str(), O_RDONLY);
        return fd >= 0 && ::read(fd, &byte, 1) >= 0;
    }
    if (attempt == "write-file")
        return ::open((path + ".written").c_str(), O_WRONLY | O_CREAT, 0600) >= 0;
    if (attempt == "shm")
        return ::shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600) >= 0;
    if (attempt == "mqueue")
        return ::syscall(SYS_mq_open, "quorvel-probe", O_CREAT | O_RDWR, 0600, nullptr) >= 0;
    if (attempt == "socket")
        return ::socket(AF_UNIX, SOCK_STREAM, 0) >= 0 || ::socket(AF_INET, SOCK_STREAM, 0) >= 0;
    if (attempt == "connect") {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path + 1, "quorvel-probe"); // abstract
        return ::connect(childSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    if (attempt == "execve") {
        char* argv[] = {const_cast<char*>("true"), nullptr};
        char* envp[] = {nullptr};
        return ::execve("/bin/true", argv, envp) == 0;
    }
    if (attempt == "fork") {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        return child > 0;
    }
    if (attempt == "io-uring") {
        io_uring_params params{};
        return ::syscall(SYS_io_uring_setup, 1, &params) >= 0;
    }
    if (attempt == "ptrace")
        return ::ptrace(PTRACE_ATTACH, pid, nullptr, nullptr) == 0;
    if (attempt == "write-stdout")
        return ::write(1, &byte, 1) == 1;
    if (attempt == "write-image")
        return ::write(childImage, &byte, 1) == 1;
    if (attempt == "inherited-environment") // set by the program that asked
        return std::getenv("QUORVEL_CALLER_ONLY") != nullptr || std::getenv("HOME") != nullptr;
    if (attempt == "shared-session")
        return ::getsid(0) != ::getpid();
    if (attempt == "stray-descriptor") {
        for (int fd = 0; fd <= 2; ++fd) {
            struct stat info {};
            if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || info.st_rdev != makedev(1, 3))
                return true; // not /dev/null
        }
        for (int fd = childImage + 1; fd < 1024; ++fd) {
            if (::fcntl(fd, F_GETFD) >= 0)
                return true;
        }
        return false;
    }
    if (attempt == "alloc-2g")
        return std::malloc(size_t(2) << 30) != nullptr;
    if (attempt == "root")
        return ::getuid() == 0 || ::geteuid() == 0 || ::getgid() == 0;
    return false;
}

} // namespace

bool testTrigger(int fd, const Request& request)
{
    char start[512] = {};
    if (::pread(fd, start, sizeof start - 1, 0) <= 0)
        return false;
    const std::string text(start);
    if (text.starts_with("QUORVEL-TEST-CRASH"))
        std::abort();
    if (text.starts_with("QUORVEL-TEST-HANG"))
        sleepForever();
    if (text.starts_with("QUORVEL-TEST-WARN")) {
        // A loader complaining at length, then answering.
        const std::string warning(4096, 'w');
        for (int i = 0; i < 64; ++i)
            (void)!::write(2, warning.data(), warning.size());
        answerHeader(request, "CalibratedRGB");
        return true;
    }
    if (text.starts_with("QUORVEL-TEST-EXTRA")) {
        // Another reply queued behind its own, for whatever comes next; both
        // in one write, so that they are on the socket together.
        std::vector<unsigned char> frames;
        for (uint32_t number : {request.number, request.number + 1}) {
            ImageHeader header;
            header.readable = true;
            header.pixelsHigh = header.pixelsWide = 4242;
            header.colourSpaceName = "CalibratedRGB";
            Writer w;
            writeHeader(w, header, nullptr);
            const ReplyStart start{number, uint32_t(w.data().size())};
            const auto* bytes = reinterpret_cast<const unsigned char*>(&start);
            frames.insert(frames.end(), bytes, bytes + sizeof start);
            frames.insert(frames.end(), w.data().begin(), w.data().end());
        }
        (void)!::write(childSocket, frames.data(), frames.size());
        sleepForever();
    }
    if (text.starts_with("QUORVEL-TEST-NUMBER")) {
        Request other = request;
        other.number += 7;
        answerHeader(other, "CalibratedRGB");
        return true;
    }
    if (text.starts_with("QUORVEL-TEST-FORGE")) {
        answerHeader(request, "CalibratedRGB\nforged.jpg\t1\t1\t\x1b]0;owned\x07\x1b[2J");
        return true;
    }
    if (text.starts_with("QUORVEL-TEST-HUGE")) {
        // As long a reply as the request allows, then nothing.
        const uint32_t length = request.kind == RequestKind::Preview
            ? uint32_t(request.width) * uint32_t(request.height) * 4u
            : maxSmallReplyBytes;
        const ReplyStart claim{request.number, length};
        (void)!::write(childSocket, &claim, sizeof claim);
        sleepForever();
    }
    if (text.starts_with("QUORVEL-TEST-DESCRIPTOR")) {
        ImageHeader header;
        header.readable = true;
        header.pixelsHigh = header.pixelsWide = 1;
        Writer w;
        writeHeader(w, header, nullptr);
        const ReplyStart reply{request.number, uint32_t(w.data().size())};
        std::string frame(reinterpret_cast<const char*>(&reply), sizeof reply);
        frame.append(reinterpret_cast<const char*>(w.data().data()), w.data().size());
        iovec io{frame.data(), frame.size()};
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        const int sent = fd;
        std::memcpy(CMSG_DATA(c), &sent, sizeof sent);
        (void)!::sendmsg(childSocket, &message, MSG_NOSIGNAL);
        sleepForever();
    }
    if (text.starts_with("QUORVEL-TEST-SLOW")) {
        // Answers once the program has done what the test needed done first.
        timespec wait{3, 0};
        ::nanosleep(&wait, nullptr);
        answerHeader(request, "CalibratedRGB");
        return true;
    }
    if (text.starts_with("QUORVEL-TEST-LINGER")) {
        // Answers, then neither exits nor closes its socket.
        answerHeader(request, "CalibratedRGB");
        sleepForever();
    }
    if (text.starts_with("QUORVEL-TEST-ESCAPE ")) {
        // "QUORVEL-TEST-ESCAPE <attempt> <pid> <path>"
        std::istringstream words(text.substr(20));
        std::string attempt;
        long pid = 0;
        std::string path;
        words >> attempt >> pid >> path;
        if (!escape(attempt, pid_t(pid), path))
            ::_exit(1); // refused: no answer, the file counts as damaged
        answerHeader(request, "Multiband");
        return true;
    }
    return false;
}

} // namespace quorvel::platform::loader
