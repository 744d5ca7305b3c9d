// quorvel-loader: reads, for the program that started it, the images that
// only loaders not hardened for hostile input can read. The process started
// is a zygote: it loads libvips and its loaders, confines itself, and reads
// no file. It keeps one child forked ahead (a spare), which prepares its
// confinement, takes the next request from the socket pair on descriptor 3,
// tells the program who it is, lets go of that socket and tells the zygote
// to fork the next spare; then it confines itself further, reads the one
// file it was handed as an open descriptor (never a path), answers on the
// socket it was handed for that, and exits. The program kills and waits for
// every child itself.
#include "platform/loader/Confinement.h"
#include "platform/loader/InkRead.h"
#include "platform/loader/LoaderProtocol.h"
#include "platform/loader/PsdComposite.h"
#include "platform/loader/VipsRead.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifdef QUORVEL_LOADER_TEST_TRIGGERS
#include "platform/loader/TestTriggers.h"
#endif

// The leak check at exit stops threads with ptrace, which the confinement
// refuses; a helper's leaks end with it anyway.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
#endif

using namespace quorvel;
using namespace quorvel::platform::loader;

namespace {

constexpr int channel = zygoteChannel;
constexpr int headerCpuSeconds = 15;
constexpr int previewCpuSeconds = 45;

std::vector<unsigned char> answer(const Request& request, int fd)
{
    Writer w;
    switch (request.kind) {
    case RequestKind::Header:
    case RequestKind::HeaderAndDetails: {
        ImageDetails details;
        const bool withDetails = request.kind == RequestKind::HeaderAndDetails;
        ImageHeader header;
        if (fd < 0)
            header.unreadableReason = UnreadableReason::Vanished;
        else
            header = readVipsHeader(fd, withDetails ? &details : nullptr);
        writeHeader(w, header, header.readable && withDetails ? &details : nullptr);
        break;
    }
    case RequestKind::Preview: {
        loadDeferredModules(); // the signature of a HEIF file names a module's loader
        Preview preview;
        const bool sane = request.width > 0 && request.height > 0 && request.width <= maxPreviewSide
            && request.height <= maxPreviewSide;
        // Layered documents from their merged image only: the general loader
        // would decode every layer at full size.
        const auto make = [&] {
            return isPsd(fd) ? makePsdPreview(fd, request.width, request.height, preview)
                             : makeVipsPreview(fd, request.width, request.height, preview);
        };
        if (fd < 0 || !sane || !make())
            preview = Preview{0, 0, 3, {}};
        writePreview(w, preview);
        break;
    }
    case RequestKind::Formats: writeSuffixes(w, servedSuffixes()); break;
    case RequestKind::Ink: {
        loadDeferredModules();
        // Every pixel at full resolution, a strip of rows at a time.
        InkStatistics ink;
        const InkResult result = fd < 0 ? InkResult::Unreadable : readVipsInk(fd, ink);
        writeInk(w, result == InkResult::Measured ? InkReply::Measured
                    : result == InkResult::NotCmyk ? InkReply::NotCmyk
                                                   : InkReply::Unreadable,
                 ink);
        break;
    }
    }
    return w.data();
}

bool isSocket(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode);
}

// The child: confined before it reads a byte of the one file it serves,
// then gone. It never returns.
[[noreturn]] void serve(const Request& request, int answerSocket, int image)
{
    // The ink decodes a whole image, as a preview may.
    const int cpuSeconds = request.kind == RequestKind::Preview || request.kind == RequestKind::Ink ? previewCpuSeconds
                                                                                                  : headerCpuSeconds;
    if (!confineChild(answerSocket, image, cpuSeconds))
        ::_exit(3);
    const int fd = image >= 0 ? childImage : -1;
#ifdef QUORVEL_LOADER_TEST_TRIGGERS
    if (fd >= 0 && testTrigger(fd, request))
        ::_exit(0);
#endif
    const std::vector<unsigned char> reply = answer(request, fd);
    sendReply(childSocket, request.number, reply);
    ::_exit(0);
}

// What a spare tells the zygote once it is done with the channel.
constexpr char requestTaken = 'T';
constexpr char channelClosed = 'E';

// The spare: confined ahead, it takes one request, answers the program with
// its own pidfd (without one the program cannot end it, and counts the file
// as unreadable), hands the channel back to the zygote and serves.
[[noreturn]] void spare(int toZygote)
{
    const bool prepared = prepareChild(toZygote, headerCpuSeconds, previewCpuSeconds);
    Request request;
    int answerSocket = -1;
    int image = -1;
    if (!receiveRequest(channel, request, answerSocket, image)) {
        (void)!::write(spareSignal, &channelClosed, 1);
        ::_exit(0);
    }
    const int pidfd = prepared ? int(::syscall(SYS_pidfd_open, ::getpid(), 0)) : -1;
    const bool sent = sendStarted(channel, request.number, pidfd);
    if (pidfd >= 0)
        ::close(pidfd);
    ::close(channel);
    (void)!::write(spareSignal, sent ? &requestTaken : &channelClosed, 1);
    ::close(spareSignal);
    if (!prepared || !sent)
        ::_exit(3);
    serve(request, answerSocket, image);
}

// Forks the next spare; the end of the pipe it tells on, -1 when none
// could be made.
int forkSpare()
{
    int taken[2];
    if (::pipe2(taken, O_CLOEXEC) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(taken[0]);
        spare(taken[1]);
    }
    ::close(taken[1]);
    if (child < 0) {
        ::close(taken[0]);
        return -1;
    }
    return taken[0];
}

// Waits until the spare has taken a request; false when the channel is
// closed or broken.
bool takenBySpare(int fromSpare)
{
    char word = 0;
    ssize_t n;
    do
        n = ::read(fromSpare, &word, 1);
    while (n < 0 && errno == EINTR);
    ::close(fromSpare);
    return n == 1 && word == requestTaken;
}

} // namespace

int main(int argc, char** argv)
{
    // At build time: the suffixes of the formats served, one a line.
    if (argc == 2 && std::strcmp(argv[1], "--suffixes") == 0) {
        startVips();
        for (const std::string& suffix : servedSuffixes())
            std::printf("%s\n", suffix.c_str());
        return 0;
    }
    if (argc != 1 || !isSocket(channel)) {
        std::fprintf(stderr, "quorvel-loader: started by Quorvel only (or --suffixes)\n");
        return 2;
    }
    // Nothing else the program had open is ours to keep.
    ::close_range(channel + 1, ~0U, 0);
    // Each thread's malloc arena reserves 64 MiB of address space, which the
    // children's address-space limit counts.
    ::mallopt(M_ARENA_MAX, 2);

    if (!confineZygote(std::getenv("QUORVEL_LOADER_TRACE") != nullptr)) {
        std::fprintf(stderr, "quorvel-loader: cannot confine itself; reading nothing\n");
        return 3;
    }
    // Children end unwatched: the program waits for each on its pidfd.
    ::signal(SIGCHLD, SIG_IGN);
    startVips();

    if (::send(channel, &readyByte, 1, MSG_NOSIGNAL) != 1)
        return 0;

    // The loaders that start slowly are woken at the first moment nothing
    // waits, once the first requests are served: a single file checked from
    // a cold start is not kept waiting for them, a batch soon has them.
    int served = 0;
    bool primed = false;
    for (;;) {
        const int fromSpare = forkSpare();
        if (fromSpare < 0)
            break;
        // The loaders kept in modules load while the first spare serves.
        loadDeferredModules();
        if (!takenBySpare(fromSpare))
            break;
        ++served;
        if (!primed && served >= 2) {
            pollfd waiting{channel, POLLIN, 0};
            if (::poll(&waiting, 1, 0) == 0) {
                primeLoaders();
                primed = true;
            }
        }
    }
    return 0;
}
