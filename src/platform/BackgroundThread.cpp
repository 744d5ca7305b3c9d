#include "platform/BackgroundThread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorvel::platform {

void yieldToInterface()
{
    // On Linux the nice value belongs to each thread; the pool's threads are
    // reused, so each is lowered once.
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
}

} // namespace quorvel::platform
