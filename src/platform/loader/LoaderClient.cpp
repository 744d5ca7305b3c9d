#include "platform/loader/LoaderClient.h"

#include "platform/Log.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::platform::loader {
namespace {

constexpr const char* helperName = "quorvel-loader";
constexpr int helperChannel = 3; // the descriptor the helper talks on
// Starting libvips with its modules takes a fraction of a second; a machine
// under load may take far longer.
constexpr std::chrono::seconds startTimeout{30};

std::string executableFolder()
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    const std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

// The variables the zygote gets: none of the caller's (no LD_* in
// particular), only the sanitizers' settings of test builds and the trace
// switch. Each child reads one file on one core: the decoders start no
// thread pools of their own (a pool started in the zygote would be missing
// in its children).
std::vector<std::string> helperEnvironment()
{
    std::vector<std::string> env{"PATH=/usr/bin:/bin", "LC_ALL=C", "OMP_NUM_THREADS=1", "MAGICK_THREAD_LIMIT=1"};
    for (const char* name : {"QUORVEL_LOADER_TRACE", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name))
            env.push_back(std::string(name) + '=' + value);
    }
    return env;
}

// Waits until the process behind `pidfd` has ended, at most `limit`.
bool waitForEnd(int pidfd, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{pidfd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(std::max<long long>(0, left.count())));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool killByPidfd(int pidfd)
{
    return ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0 || errno == ESRCH;
}

constexpr std::chrono::seconds endTimeout{5}; // for a killed process to be gone

// Runs work on a thread that lasts as long as the program. A process
// started there gets its parent-death signal when the program ends, not
// when the worker thread that first needed it does. Never destroyed.
class LastingThread {
public:
    static int run(const std::function<int()>& work)
    {
        static LastingThread* thread = new LastingThread;
        return thread->call(work);
    }

private:
    LastingThread()
    {
        std::thread([this] { loop(); }).detach();
    }

    int call(const std::function<int()>& work)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_work == nullptr; });
        m_work = &work;
        m_done = false;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_done; });
        const int result = m_result;
        m_work = nullptr;
        m_changed.notify_all();
        return result;
    }

    void loop()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_work != nullptr && !m_done; });
            m_result = (*m_work)();
            m_done = true;
            m_changed.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    const std::function<int()>* m_work = nullptr;
    bool m_done = false;
    int m_result = 0;
};

// The zygote: one long-lived process that reads no file and forks a child
// for each request.
class Zygote {
public:
    static std::unique_ptr<Zygote> start(const std::string& executable)
    {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            return nullptr;
        // Above the descriptor it must become, so that dup2 clears close-on-exec.
        const int childEnd = ::fcntl(pair[1], F_DUPFD_CLOEXEC, helperChannel + 1);
        ::close(pair[1]);
        if (childEnd < 0) {
            ::close(pair[0]);
            return nullptr;
        }
        const bool trace = std::getenv("QUORVEL_LOADER_TRACE") != nullptr;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        if (!trace)
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, childEnd, helperChannel);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        sigset_t defaults;
        sigfillset(&defaults);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
        char* argv[] = {const_cast<char*>(helperName), nullptr};
        std::vector<std::string> env = helperEnvironment();
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = -1;
        const int error = LastingThread::run(
            [&] { return ::posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv, envp.data()); });
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(childEnd);
        if (error != 0) {
            ::close(pair[0]);
            return nullptr;
        }
        auto zygote = std::unique_ptr<Zygote>(new Zygote(pid, pair[0]));
        // Starting and confining itself is not a file's time: the answer
        // time-outs count from its first child.
        unsigned char ready = 0;
        if (!zygote->receiveReady(ready) || ready != readyByte)
            return nullptr;
        return zygote;
    }

    ~Zygote()
    {
        ::close(m_socket);
        ::kill(m_pid, SIGKILL); // its children die with it
        const int pidfd = int(::syscall(SYS_pidfd_open, m_pid, 0));
        if (pidfd >= 0) {
            waitForEnd(pidfd, endTimeout);
            ::close(pidfd);
        }
        int status = 0;
        ::waitpid(m_pid, &status, WNOHANG);
    }

    bool healthy() const { return m_healthy; }

    // A child for `request`, answering on `answerSocket`; its pidfd, -1 when
    // none started.
    int startChild(const Request& request, int answerSocket, int fd)
    {
        if (!sendRequest(m_socket, request, answerSocket, fd)) {
            m_healthy = false;
            return -1;
        }
        uint32_t number = 0;
        int pidfd = -1;
        if (!receiveStarted(m_socket, number, pidfd, int(startTimeout.count() * 1000)) || number != request.number) {
            if (pidfd >= 0)
                ::close(pidfd);
            m_healthy = false;
            return -1;
        }
        return pidfd;
    }

private:
    Zygote(pid_t pid, int socket) : m_pid(pid), m_socket(socket) {}

    bool receiveReady(unsigned char& ready)
    {
        pollfd p{m_socket, POLLIN, 0};
        int n;
        do
            n = ::poll(&p, 1, int(startTimeout.count() * 1000));
        while (n < 0 && errno == EINTR);
        return n > 0 && ::recv(m_socket, &ready, 1, MSG_DONTWAIT) == 1;
    }

    pid_t m_pid;
    int m_socket;
    bool m_healthy = true;
};

enum class Outcome { Answered, NotSent, Failed, TimedOut };

// Reads exactly `size` bytes from the child until `deadline`. Any
// descriptor that comes along is closed and fails the reply.
Outcome receiveFromChild(int socket, unsigned char* data, size_t size, std::chrono::steady_clock::time_point deadline)
{
    while (size > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return Outcome::TimedOut;
        pollfd p{socket, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), INT_MAX)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return Outcome::Failed;
        if (ready == 0)
            return Outcome::TimedOut;
        iovec io{data, size};
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 8)] = {};
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(socket, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        const bool descriptors = n > 0 ? closeReceivedDescriptors(message) : (message.msg_flags & MSG_CTRUNC) != 0;
        if (n <= 0 || descriptors)
            return Outcome::Failed; // it died (crashed, killed by a limit) or sent what it must not
        data += n;
        size -= static_cast<size_t>(n);
    }
    return Outcome::Answered;
}

// The reply to request `number`: its start, then its bytes as they arrive
// (never a buffer of the size the child claims up front).
Outcome receiveReply(int socket, uint32_t number, uint32_t maxBytes, std::chrono::steady_clock::time_point deadline,
                     std::vector<unsigned char>& reply)
{
    ReplyStart start;
    Outcome o = receiveFromChild(socket, reinterpret_cast<unsigned char*>(&start), sizeof start, deadline);
    if (o != Outcome::Answered)
        return o;
    if (start.number != number || start.length > maxBytes)
        return Outcome::Failed;
    reply.clear();
    constexpr size_t chunk = 64 * 1024;
    while (reply.size() < start.length) {
        const size_t at = reply.size();
        const size_t piece = std::min<size_t>(chunk, start.length - at);
        reply.resize(at + piece);
        o = receiveFromChild(socket, reply.data() + at, piece, deadline);
        if (o != Outcome::Answered)
            return o;
    }
    return Outcome::Answered;
}

// True when nothing came beyond the reply: no byte and no descriptor.
bool nothingLeft(int socket)
{
    unsigned char byte;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 8)] = {};
    iovec io{&byte, 1};
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(socket, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    const bool none = n == 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
    const bool descriptors = n >= 0 && closeReceivedDescriptors(message);
    return none && !descriptors;
}

// Waits, off the requests' way, for the children killed after their answer
// to be gone, each for no longer than a killed process takes, then lets go
// of them. Never destroyed: its thread outlives the statics at exit.
class Reaper {
public:
    static Reaper& instance()
    {
        static Reaper* reaper = new Reaper;
        return *reaper;
    }

    void reap(int pidfd)
    {
        {
            std::lock_guard lock(m_mutex);
            m_pending.push_back(pidfd);
        }
        const uint64_t one = 1;
        (void)!::write(m_wake, &one, sizeof one);
    }

private:
    Reaper() : m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    {
        std::thread([this] { run(); }).detach();
    }

    void run()
    {
        struct Dying {
            int pidfd;
            std::chrono::steady_clock::time_point giveUp;
        };
        std::vector<Dying> dying;
        for (;;) {
            {
                std::lock_guard lock(m_mutex);
                for (int pidfd : m_pending)
                    dying.push_back({pidfd, std::chrono::steady_clock::now() + endTimeout});
                m_pending.clear();
            }
            std::vector<pollfd> polled{{m_wake, POLLIN, 0}};
            for (const Dying& d : dying)
                polled.push_back({d.pidfd, POLLIN, 0});
            int wait = -1;
            const auto now = std::chrono::steady_clock::now();
            for (const Dying& d : dying) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(d.giveUp - now).count();
                wait = wait < 0 ? int(std::max<long long>(0, left)) : std::min(wait, int(std::max<long long>(0, left)));
            }
            if (::poll(polled.data(), polled.size(), wait) < 0 && errno != EINTR)
                continue;
            if (polled[0].revents & POLLIN) {
                uint64_t count;
                (void)!::read(m_wake, &count, sizeof count);
            }
            const auto after = std::chrono::steady_clock::now();
            std::vector<Dying> still;
            for (size_t i = 0; i < dying.size(); ++i) {
                if ((polled[i + 1].revents & (POLLIN | POLLHUP | POLLERR)) || after >= dying[i].giveUp)
                    ::close(dying[i].pidfd);
                else
                    still.push_back(dying[i]);
            }
            dying.swap(still);
        }
    }

    int m_wake;
    std::mutex m_mutex;
    std::vector<int> m_pending;
};

thread_local int interactiveDepth = 0;

class Pool {
public:
    static Pool& instance()
    {
        static Pool pool;
        return pool;
    }

    // Runs one request in a child of its own, which is killed and waited
    // for whatever it answered. A zygote found dead is replaced once.
    Outcome run(Request request, int fd, std::chrono::milliseconds timeout, uint32_t maxBytes,
                std::vector<unsigned char>& reply)
    {
        Lane lane(*this, interactiveDepth > 0);
        for (int attempt = 0; attempt < 2; ++attempt) {
            int pair[2];
            if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
                return Outcome::NotSent;
            request.number = m_numbers.fetch_add(1) + 1;
            bool zygoteFailed = false;
            const int pidfd = startChild(request, pair[1], fd, zygoteFailed);
            ::close(pair[1]);
            if (pidfd < 0) {
                ::close(pair[0]);
                if (zygoteFailed && attempt == 0)
                    continue;
                return Outcome::NotSent;
            }
            Outcome outcome
                = receiveReply(pair[0], request.number, maxBytes, std::chrono::steady_clock::now() + timeout, reply);
            // Anything it sent beyond the reply fails it; then it is ended by
            // us, whatever it said, and waited for off this request's way.
            if (outcome == Outcome::Answered && !nothingLeft(pair[0]))
                outcome = Outcome::Failed;
            killByPidfd(pidfd);
            ::close(pair[0]);
            Reaper::instance().reap(pidfd);
            return outcome;
        }
        return Outcome::NotSent;
    }

    HelperTimeouts timeouts()
    {
        std::lock_guard lock(m_mutex);
        return m_timeouts;
    }

    void setTimeouts(HelperTimeouts t)
    {
        std::lock_guard lock(m_mutex);
        m_timeouts = t;
    }

    void stopZygote()
    {
        std::unique_ptr<Zygote> gone;
        std::lock_guard lock(m_zygoteMutex);
        gone.swap(m_zygote);
    }

    uint32_t requestsSent() const { return m_numbers.load(); }

    int running()
    {
        std::lock_guard lock(m_mutex);
        return m_busy + (m_reserveBusy ? 1 : 0);
    }

private:
    // A place to run a request: one of a core's worth for any request, or
    // the one kept for interactive requests, which background work can
    // never take.
    class Lane {
    public:
        Lane(Pool& pool, bool interactive) : m_pool(pool)
        {
            std::unique_lock lock(pool.m_mutex);
            pool.m_changed.wait(lock, [&] { return pool.m_busy < pool.m_limit || (interactive && !pool.m_reserveBusy); });
            if (pool.m_busy < pool.m_limit) {
                ++pool.m_busy;
            } else {
                pool.m_reserveBusy = true;
                m_reserve = true;
            }
        }
        ~Lane()
        {
            {
                std::lock_guard lock(m_pool.m_mutex);
                if (m_reserve)
                    m_pool.m_reserveBusy = false;
                else
                    --m_pool.m_busy;
            }
            m_pool.m_changed.notify_all();
        }

    private:
        Pool& m_pool;
        bool m_reserve = false;
    };

    Pool() : m_limit(static_cast<int>(std::max(1u, std::thread::hardware_concurrency()))) {}

    // The zygote is killed at exit (its children with it), and waited for
    // no longer than a killed process takes to go.
    ~Pool() { stopZygote(); }

    int startChild(const Request& request, int answerSocket, int fd, bool& zygoteFailed)
    {
        std::lock_guard lock(m_zygoteMutex);
        if (m_zygote && !m_zygote->healthy())
            m_zygote.reset();
        if (!m_zygote) {
            const std::string executable = helperExecutable();
            m_zygote = Zygote::start(executable);
            if (!m_zygote) {
                static std::once_flag warned;
                std::call_once(warned, [&] {
                    qCWarning(lcPlatform) << "cannot start the loader helper" << executable.c_str()
                                          << "- formats that only it reads stay unreadable";
                });
                return -1;
            }
        }
        const int pidfd = m_zygote->startChild(request, answerSocket, fd);
        zygoteFailed = !m_zygote->healthy();
        return pidfd;
    }

    const int m_limit;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_busy = 0;
    bool m_reserveBusy = false;
    HelperTimeouts m_timeouts;
    std::atomic<uint32_t> m_numbers{0};
    std::mutex m_zygoteMutex;
    std::unique_ptr<Zygote> m_zygote;
};

UnreadableReason reasonFor(Outcome outcome)
{
    switch (outcome) {
    case Outcome::TimedOut: return UnreadableReason::TimedOut;
    case Outcome::Failed: return UnreadableReason::Damaged; // the file brought its reader down
    case Outcome::NotSent: return UnreadableReason::NotSupported;
    case Outcome::Answered: break;
    }
    return UnreadableReason::None;
}

} // namespace

std::string helperExecutable()
{
    if (const char* path = std::getenv("QUORVEL_LOADER"); path && *path)
        return path;
    const std::string folder = executableFolder();
    const std::string beside = folder + '/' + helperName;
    if (::access(beside.c_str(), X_OK) == 0)
        return beside;
    return folder + '/' + QUORVEL_LOADER_RELATIVE_DIR + '/' + helperName;
}

ImageHeader readHeaderThroughHelper(int fd, ImageDetails* details)
{
    Request request;
    request.kind = details ? RequestKind::HeaderAndDetails : RequestKind::Header;
    std::vector<unsigned char> reply;
    Pool& pool = Pool::instance();
    const Outcome outcome = pool.run(request, fd, pool.timeouts().header, maxSmallReplyBytes, reply);
    ImageHeader header;
    if (outcome != Outcome::Answered) {
        header.unreadableReason = reasonFor(outcome);
        return header;
    }
    Reader r(reply.data(), reply.size());
    ImageDetails read;
    if (!readHeader(r, header, details ? &read : nullptr) || (header.readable != (header.pixelsHigh > 0 && header.pixelsWide > 0))) {
        header = ImageHeader{};
        header.unreadableReason = UnreadableReason::Damaged;
        return header;
    }
    if (!header.readable && header.unreadableReason == UnreadableReason::None)
        header.unreadableReason = UnreadableReason::Damaged;
    if (details && header.readable)
        *details = read;
    return header;
}

bool makePreviewThroughHelper(int fd, int width, int height, Preview& preview)
{
    Request request;
    request.kind = RequestKind::Preview;
    request.width = std::clamp(width, 0, maxPreviewSide);
    request.height = std::clamp(height, 0, maxPreviewSide);
    std::vector<unsigned char> reply;
    Pool& pool = Pool::instance();
    const uint32_t bound = uint32_t(request.width) * uint32_t(request.height) * 4u + 64u;
    if (pool.run(request, fd, pool.timeouts().preview, bound, reply) != Outcome::Answered)
        return false;
    Reader r(reply.data(), reply.size());
    return readPreview(r, preview, request.width, request.height) && preview.width > 0 && preview.height > 0;
}

std::optional<InkStatistics> readInkThroughHelper(int fd)
{
    Request request;
    request.kind = RequestKind::Ink;
    std::vector<unsigned char> reply;
    Pool& pool = Pool::instance();
    if (pool.run(request, fd, pool.timeouts().ink, maxSmallReplyBytes, reply) != Outcome::Answered)
        return std::nullopt;
    Reader r(reply.data(), reply.size());
    std::optional<InkStatistics> ink;
    if (!readInk(r, ink))
        return std::nullopt;
    return ink;
}

std::vector<std::string> helperSuffixes()
{
    Request request;
    request.kind = RequestKind::Formats;
    std::vector<unsigned char> reply;
    Pool& pool = Pool::instance();
    std::vector<std::string> suffixes;
    if (pool.run(request, -1, pool.timeouts().header, maxSmallReplyBytes, reply) != Outcome::Answered)
        return {};
    Reader r(reply.data(), reply.size());
    if (!readSuffixes(r, suffixes))
        return {};
    return suffixes;
}

void setHelperTimeouts(HelperTimeouts timeouts)
{
    Pool::instance().setTimeouts(timeouts);
}

void stopIdleHelpers()
{
    Pool::instance().stopZygote();
}

int runningHelperRequests()
{
    return Pool::instance().running();
}

uint32_t helperRequestsSent()
{
    return Pool::instance().requestsSent();
}

InteractiveRequests::InteractiveRequests()
{
    ++interactiveDepth;
}

InteractiveRequests::~InteractiveRequests()
{
    --interactiveDepth;
}

} // namespace quorvel::platform::loader
