#pragma once

// The system calls a confined child may make without conditions, as data:
// gathered from traces of the test images through every loader, grouped by
// who needs them. Calls that are allowed only with certain arguments (open,
// ioctl, clone, prctl, signals, writes) are filtered in Confinement.cpp.

namespace quorvel::platform::loader {

struct AllowedCall {
    const char* name; // as the seccomp library names it
};

struct AllowedGroup {
    const char* who; // the library or layer that needs them
    const AllowedCall* calls;
    int count;
};

// Every group; names this architecture lacks are skipped.
const AllowedGroup* allowedGroups(int& count);

// Calls that libraries probe for and fall back from when absent: they fail
// with ENOSYS instead of killing the child.
const AllowedCall* absentCalls(int& count);

} // namespace quorvel::platform::loader
