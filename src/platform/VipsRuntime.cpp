#include "platform/VipsRuntime.h"

#include <vips/vips8>

#include <mutex>

namespace quorvel::platform {

void ensureVipsStarted()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (VIPS_INIT("quorvel") != 0)
            vips_error_clear();
        vips_cache_set_max(0);         // nothing is cached between checks
        vips_cache_set_max_mem(0);
        vips_leak_set(false);
        vips_block_untrusted_set(true); // no loaders marked unsafe for hostile input
    });
}

} // namespace quorvel::platform
