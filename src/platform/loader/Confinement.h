#pragma once

namespace quorvel::platform::loader {

// Confines the calling process for good before it reads any image: no new
// privileges; a seccomp filter refusing network and other sockets, exec,
// fork, opening files for writing or creating them, ptrace and the like;
// limits on address space, file size (none may be written) and open
// descriptors. Threads started later inherit it. False when any layer could
// not be put in place: the caller must then read nothing.
bool confineProcess();

// The CPU time a single request may use from now, on top of what the
// process has used already (a warm helper serves many files).
void allowCpuSecondsFromNow(int seconds);

} // namespace quorvel::platform::loader
