// quorvel-loader: reads, for the program that started it, the images that
// only loaders not hardened for hostile input can read. It is handed open
// descriptors over the socket pair on descriptor 3, never a path, and
// confines itself before it reads a byte of any of them.
#include "platform/loader/Confinement.h"
#include "platform/loader/LoaderProtocol.h"
#include "platform/loader/PsdComposite.h"
#include "platform/loader/VipsRead.h"

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <malloc.h>
#include <sys/socket.h>
#include <sys/stat.h>
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
        allowCpuSecondsFromNow(headerCpuSeconds);
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
        allowCpuSecondsFromNow(previewCpuSeconds);
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
    }
    return w.data();
}

// Decoders fed hostile files may leak; a helper that grew this large ends
// after its reply and a fresh one takes its place.
constexpr long retireAboveBytes = 512L << 20;

bool grownTooLarge()
{
    long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return false;
    const bool read = std::fscanf(statm, "%ld", &pages) == 1;
    std::fclose(statm);
    return read && pages * ::sysconf(_SC_PAGESIZE) > retireAboveBytes;
}

bool isSocket(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode);
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
    // address-space limit counts.
    ::mallopt(M_ARENA_MAX, 2);

    startVips();
    if (!confineProcess()) {
        std::fprintf(stderr, "quorvel-loader: cannot confine itself; reading nothing\n");
        return 3;
    }

    if (::send(channel, &readyByte, 1, MSG_NOSIGNAL) != 1)
        return 0;

    Request request;
    int fd = -1;
    while (receiveRequest(channel, request, fd)) {
#ifdef QUORVEL_LOADER_TEST_TRIGGERS
        if (fd >= 0 && testTrigger(fd, request))
            continue;
#endif
        const std::vector<unsigned char> reply = answer(request, fd);
        if (fd >= 0)
            ::close(fd);
        const bool retiring = grownTooLarge();
        if (!sendReply(channel, reply, retiring) || retiring)
            break;
    }
    return 0;
}
