#pragma once

namespace quorvel::platform {

// Starts libvips once per process, with limits that keep a hostile file from
// taking the machine's memory. Safe to call from any thread, any number of times.
void ensureVipsStarted();

} // namespace quorvel::platform
