#pragma once

// Test builds of the helper only (quorvel-loader-test): files whose first
// bytes name a misbehaviour make the helper misbehave that way, and a probe
// reports what the confinement refuses. Never compiled into quorvel-loader.

#include "platform/loader/LoaderProtocol.h"

namespace quorvel::platform::loader {

// Handles a trigger file and returns true (having answered, or not, as the
// trigger says); false for any other file.
bool testTrigger(int fd, const Request& request);

} // namespace quorvel::platform::loader
