#include "platform/loader/TestTriggers.h"

#include "platform/loader/Confinement.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvel::platform::loader {
namespace {

std::string outcome(bool succeeded)
{
    return succeeded ? "allowed" : "denied";
}

// What the confined helper may still do, as "write:denied socket:denied ...".
std::string probe()
{
    std::string result;
    const int written = ::open("/tmp/quorvel-loader-probe", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    result += "write:" + outcome(written >= 0);
    if (written >= 0)
        ::close(written);
    const int unixSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const int inetSocket = ::socket(AF_INET, SOCK_STREAM, 0);
    result += " socket:" + outcome(unixSocket >= 0 || inetSocket >= 0);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    result += " fork:" + outcome(child > 0);
    const int readable = ::open("/proc/self/status", O_RDONLY);
    result += " read:" + outcome(readable >= 0);
    if (readable >= 0)
        ::close(readable);
    void* big = std::malloc(size_t(2) << 30);
    result += " alloc2g:" + outcome(big != nullptr);
    std::free(big);
    return result;
}

} // namespace

bool testTrigger(int fd, const Request& request)
{
    char start[24] = {};
    if (::pread(fd, start, sizeof start - 1, 0) <= 0)
        return false;
    if (std::strncmp(start, "QUORVEL-TEST-CRASH", 18) == 0)
        std::abort();
    if (std::strncmp(start, "QUORVEL-TEST-HANG", 17) == 0) {
        for (;;)
            ::pause();
    }
    if (std::strncmp(start, "QUORVEL-TEST-PROBE", 18) == 0 && request.kind != RequestKind::Preview) {
        ImageHeader header;
        header.readable = true;
        header.pixelsHigh = header.pixelsWide = 1;
        header.colourSpaceName = probe();
        Writer w;
        writeHeader(w, header, nullptr);
        ::close(fd);
        sendReply(childSocket, request.number, w.data());
        return true;
    }
    return false;
}

} // namespace quorvel::platform::loader
