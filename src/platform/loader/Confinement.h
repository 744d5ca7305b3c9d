#pragma once

namespace quorvel::platform::loader {

// The channel the zygote is asked on, which a spare child takes its one
// request from; the descriptor a spare tells the zygote on that it is done
// with the channel. Once it has its request, a child keeps only its answer
// socket and the image.
inline constexpr int zygoteChannel = 3;
inline constexpr int spareSignal = 5;
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

// A child forked ahead of its request (a spare), confined before it takes
// one so that no request waits for it: a session of its own, killed with
// the zygote, nothing open but the zygote's channel and `toZygote` (moved
// to spareSignal first, even when a later step fails), resource limits
// (`cpuSeconds` of processor time, which a request may raise to the hard
// limit `cpuSecondsAtMost`), namespaces where the system lends them, a
// file-system ruleset where the kernel has one (read-only access to the
// libraries and their data), and an allow-list system-call filter whose
// default kills the process. False when a layer that must hold could not
// be put in place.
bool prepareChild(int toZygote, int cpuSeconds, int cpuSecondsAtMost);

// The prepared child once it has its request and has let go of the channel
// and spareSignal: the answer socket on childSocket and the image (-1 for
// none) on childImage with every other descriptor closed, and `cpuSeconds`
// of processor time. False when that could not be done.
bool confineChild(int answerSocket, int image, int cpuSeconds);

} // namespace quorvel::platform::loader
