#pragma once

// The program's side of the loader helper (quorvel-loader): a warm zygote,
// started on first need, forks one confined child per request, at most one
// per core at a time plus one kept for interactive requests. Every function
// is thread-safe and returns within its time-out: the child is killed and
// waited for after its answer or its time-out, a reply that is malformed,
// has the wrong number, brings a descriptor or bytes beyond it counts the
// file as damaged, and only that file pays.

#include "platform/loader/LoaderProtocol.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::platform::loader {

// The header (and with `details`, the details) of the image open on `fd`.
// Unreadable, with the reason, when the helper cannot read it or fails.
ImageHeader readHeaderThroughHelper(int fd, ImageDetails* details);

// An sRGB preview within width x height; false when none can be made.
bool makePreviewThroughHelper(int fd, int width, int height, Preview& preview);

// The total ink of the CMYK image open on `fd`, every pixel read in a
// child; absent when the image is not CMYK or cannot be read.
std::optional<InkStatistics> readInkThroughHelper(int fd);

// The suffixes of the formats the helper reads; empty without a helper.
std::vector<std::string> helperSuffixes();

// Where the helper is: $QUORVEL_LOADER when set, else quorvel-loader beside
// the running executable (the build tree), else in the helper folder of the
// installation the executable belongs to.
std::string helperExecutable();

// Tests and benchmarks: other answer time-outs, and stopping every idle
// helper (the next request starts a fresh one, from helperExecutable()).
struct HelperTimeouts {
    std::chrono::milliseconds header{10000};
    std::chrono::milliseconds preview{30000};
    std::chrono::milliseconds ink{60000};
};
void setHelperTimeouts(HelperTimeouts timeouts);
// Stops the zygote; the next request starts a fresh one.
void stopIdleHelpers();
// Requests now running in children.
int runningHelperRequests();
// Requests handed to children so far: how often files were read.
uint32_t helperRequestsSent();

// While one lives, the requests of this thread are interactive (a check the
// user is waiting for): they may take the child kept for them when
// background work (the overview's measures, thumbnails) holds every other.
class InteractiveRequests {
public:
    InteractiveRequests();
    ~InteractiveRequests();
    InteractiveRequests(const InteractiveRequests&) = delete;
    InteractiveRequests& operator=(const InteractiveRequests&) = delete;
};

} // namespace quorvel::platform::loader
