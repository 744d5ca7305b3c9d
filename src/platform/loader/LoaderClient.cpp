#include "platform/loader/LoaderClient.h"

#include "platform/Log.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

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

// One running helper and our end of its socket pair.
class Helper {
public:
    enum class Outcome { Answered, NotSent, Failed, TimedOut };

    static std::unique_ptr<Helper> start(const std::string& executable)
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
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, childEnd, helperChannel);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
        char* argv[] = {const_cast<char*>(helperName), nullptr};
        pid_t pid = -1;
        const int error = ::posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(childEnd);
        if (error != 0) {
            ::close(pair[0]);
            return nullptr;
        }
        auto helper = std::unique_ptr<Helper>(new Helper(pid, pair[0]));
        // Starting and confining itself is not the file's time: the answer
        // time-outs count from here.
        unsigned char ready = 0;
        if (helper->receive(&ready, 1, std::chrono::steady_clock::now() + startTimeout) != Outcome::Answered
            || ready != readyByte) {
            helper->m_healthy = false;
            return nullptr;
        }
        return helper;
    }

    ~Helper()
    {
        ::close(m_socket); // an idle helper ends on the closed socket
        if (!m_healthy && !m_retiring)
            ::kill(m_pid, SIGKILL);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }

    bool healthy() const { return m_healthy && !m_retiring; }

    // Sends one request and waits for its reply until `deadline`. After
    // anything but Answered the helper is unusable.
    Outcome exchange(const Request& request, int fd, std::chrono::steady_clock::time_point deadline,
                     std::vector<unsigned char>& reply)
    {
        if (!sendRequest(m_socket, request, fd)) {
            m_healthy = false;
            return Outcome::NotSent;
        }
        unsigned char start[5];
        Outcome o = receive(start, sizeof start, deadline);
        uint32_t size = 0;
        std::memcpy(&size, start, sizeof size);
        if (o == Outcome::Answered && size > maxReplyBytes)
            o = Outcome::Failed;
        if (o == Outcome::Answered && start[4] != 0) // it ends by itself after this reply
            m_retiring = true;
        if (o == Outcome::Answered) {
            reply.resize(size);
            o = receive(reply.data(), size, deadline);
        }
        if (o != Outcome::Answered)
            m_healthy = false;
        return o;
    }

private:
    Helper(pid_t pid, int socket) : m_pid(pid), m_socket(socket) {}

    Outcome receive(unsigned char* data, size_t size, std::chrono::steady_clock::time_point deadline)
    {
        while (size > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline
                                                                                    - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return Outcome::TimedOut;
            pollfd p{m_socket, POLLIN, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), INT_MAX)));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0)
                return Outcome::Failed;
            if (ready == 0)
                return Outcome::TimedOut;
            const ssize_t n = ::recv(m_socket, data, size, MSG_DONTWAIT);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                return Outcome::Failed; // it died: crashed, killed by a limit, ...
            data += n;
            size -= static_cast<size_t>(n);
        }
        return Outcome::Answered;
    }

    pid_t m_pid;
    int m_socket;
    bool m_healthy = true;
    bool m_retiring = false;
};

class Pool {
public:
    static Pool& instance()
    {
        static Pool pool;
        return pool;
    }

    // Runs one request on a helper of its own; a helper that failed before
    // the request reached it (it had died while idle) is replaced once.
    Helper::Outcome run(const Request& request, int fd, std::chrono::milliseconds timeout,
                        std::vector<unsigned char>& reply)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            std::unique_ptr<Helper> helper = take();
            if (!helper)
                return Helper::Outcome::NotSent;
            const Helper::Outcome outcome
                = helper->exchange(request, fd, std::chrono::steady_clock::now() + timeout, reply);
            give(std::move(helper));
            if (outcome != Helper::Outcome::NotSent)
                return outcome;
        }
        return Helper::Outcome::NotSent;
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

    void stopIdle()
    {
        std::vector<std::unique_ptr<Helper>> idle;
        {
            std::lock_guard lock(m_mutex);
            idle.swap(m_idle);
            m_running -= static_cast<int>(idle.size());
        }
        m_changed.notify_all();
    }

private:
    Pool() : m_limit(static_cast<int>(std::max(1u, std::thread::hardware_concurrency()))) {}

    // Leaves the helpers running at exit: each ends when its socket closes.
    ~Pool() { stopIdle(); }

    std::unique_ptr<Helper> take()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_idle.empty() || m_running < m_limit; });
        if (!m_idle.empty()) {
            std::unique_ptr<Helper> helper = std::move(m_idle.back());
            m_idle.pop_back();
            return helper;
        }
        ++m_running;
        lock.unlock();
        const std::string executable = helperExecutable();
        std::unique_ptr<Helper> helper = Helper::start(executable);
        if (!helper) {
            lock.lock();
            --m_running;
            lock.unlock();
            m_changed.notify_one();
            static std::once_flag warned;
            std::call_once(warned, [&] {
                qCWarning(lcPlatform) << "cannot start the loader helper" << executable.c_str()
                                      << "- formats that only it reads stay unreadable";
            });
        }
        return helper;
    }

    // Back to the pool when it is still good; a broken one is killed (in
    // its destructor, outside the lock) and its place freed.
    void give(std::unique_ptr<Helper> helper)
    {
        {
            std::lock_guard lock(m_mutex);
            if (helper->healthy()) {
                m_idle.push_back(std::move(helper));
            } else {
                --m_running;
            }
        }
        m_changed.notify_one();
        helper.reset();
    }

    const int m_limit;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<Helper>> m_idle;
    int m_running = 0; // idle and busy
    HelperTimeouts m_timeouts;
};

UnreadableReason reasonFor(Helper::Outcome outcome)
{
    switch (outcome) {
    case Helper::Outcome::TimedOut: return UnreadableReason::TimedOut;
    case Helper::Outcome::Failed: return UnreadableReason::Damaged; // the file brought its reader down
    case Helper::Outcome::NotSent: return UnreadableReason::NotSupported;
    case Helper::Outcome::Answered: break;
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
    const Helper::Outcome outcome = pool.run(request, fd, pool.timeouts().header, reply);
    ImageHeader header;
    if (outcome != Helper::Outcome::Answered) {
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
    if (pool.run(request, fd, pool.timeouts().preview, reply) != Helper::Outcome::Answered)
        return false;
    Reader r(reply.data(), reply.size());
    return readPreview(r, preview) && preview.width > 0 && preview.height > 0;
}

std::vector<std::string> helperSuffixes()
{
    Request request;
    request.kind = RequestKind::Formats;
    std::vector<unsigned char> reply;
    Pool& pool = Pool::instance();
    std::vector<std::string> suffixes;
    if (pool.run(request, -1, pool.timeouts().header, reply) != Helper::Outcome::Answered)
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
    Pool::instance().stopIdle();
}

} // namespace quorvel::platform::loader
