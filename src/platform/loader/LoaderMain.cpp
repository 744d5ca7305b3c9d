// quorvel-loader: reads, for the program that started it, the images that
// only loaders not hardened for hostile input can read. The process started
// is a zygote: it loads libvips and its loaders, confines itself, and reads
// no file. For each request on the socket pair on descriptor 3 it forks a
// child that confines itself further, reads the one file it was handed as
// an open descriptor (never a path), answers on the socket it was handed
// for that, and exits. The program kills and waits for every child itself.
#include "platform/loader/Confinement.h"
#include "platform/loader/InkRead.h"
#include "platform/loader/LoaderProtocol.h"
#include "platform/loader/PsdComposite.h"
#include "platform/loader/VipsRead.h"

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

constexpr int channel = 3;
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
    Request request;
    int answerSocket = -1;
    int image = -1;
    for (;;) {
        if (!primed && served >= 2) {
            pollfd waiting{channel, POLLIN, 0};
            if (::poll(&waiting, 1, 0) == 0) {
                primeLoaders();
                primed = true;
            }
        }
        if (!receiveRequest(channel, request, answerSocket, image))
            break;
        ++served;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(channel);
            serve(request, answerSocket, image);
        }
        ::close(answerSocket);
        if (image >= 0)
            ::close(image);
        // Without a pidfd the program cannot end the child: it then counts
        // the file as unreadable, and the child runs into its CPU limit.
        const int pidfd = child > 0 ? int(::syscall(SYS_pidfd_open, child, 0)) : -1;
        const bool sent = sendStarted(channel, request.number, pidfd);
        if (pidfd >= 0)
            ::close(pidfd);
        if (!sent)
            break;
    }
    return 0;
}
