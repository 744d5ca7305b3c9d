#pragma once

// The program's side of the loader helper (quorvel-loader): a pool of warm,
// confined helper processes, at most one per core, started on first need.
// Every function is thread-safe and returns within its time-out: a helper
// that crashes, runs out of memory or does not answer in time is killed and
// replaced, and only the file it was reading pays for it.

#include "platform/loader/LoaderProtocol.h"

#include <chrono>
#include <string>
#include <vector>

namespace quorvel::platform::loader {

// The header (and with `details`, the details) of the image open on `fd`.
// Unreadable, with the reason, when the helper cannot read it or fails.
ImageHeader readHeaderThroughHelper(int fd, ImageDetails* details);

// An sRGB preview within width x height; false when none can be made.
bool makePreviewThroughHelper(int fd, int width, int height, Preview& preview);

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
};
void setHelperTimeouts(HelperTimeouts timeouts);
void stopIdleHelpers();

} // namespace quorvel::platform::loader
