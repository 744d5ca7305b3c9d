#pragma once

namespace quorvel::platform::loader {

// The descriptors a confined child keeps: its answer socket and the image.
inline constexpr int childSocket = 3;
inline constexpr int childImage = 4;

// The long-lived zygote, once, before it forks any child: never root (a
// zygote started as root becomes nobody, with no supplementary groups and
// no capabilities, bounding set included), a session of its own with no
// terminal, descriptors 0-2 on /dev/null, killed with the program that
// started it, no new privileges, and a filter refusing sockets, writes to
// files, exec and the like. False when any step failed: it must then read
// nothing. `keepStderr` leaves descriptor 2 as it is (for tracing).
bool confineZygote(bool keepStderr);

// A freshly forked child, before it reads a byte: a session of its own, the
// answer socket on childSocket and the image (-1 for none) on childImage with
// every other descriptor closed, killed with the zygote, resource limits,
// namespaces where the system lends them, a file-system ruleset where the
// kernel has one (read-only access to the libraries and their data), and
// an allow-list system-call filter whose default kills the process. False
// when a layer that must hold could not be put in place.
bool confineChild(int answerSocket, int image, int cpuSeconds);

} // namespace quorvel::platform::loader
