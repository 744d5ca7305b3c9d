#pragma once

namespace quorvel::platform {

// Lets the calling thread give way to the user interface: background work
// on every core then never keeps the window waiting for a processor. Cheap
// to call again on the same thread.
void yieldToInterface();

} // namespace quorvel::platform
