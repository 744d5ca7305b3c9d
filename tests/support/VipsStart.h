#pragma once

// Tests and benchmarks write their images with libvips in their own process;
// the programs under test never load it.

#include <vips/vips8>

#include <mutex>

namespace quorvel::test {

// Starts libvips once per process, caching nothing between operations and
// with the loaders marked unsafe for hostile input blocked. Safe from any
// thread, any number of times.
inline void ensureVipsStarted()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (VIPS_INIT("quorvel-test") != 0)
            vips_error_clear();
        vips_cache_set_max(0);
        vips_cache_set_max_mem(0);
        vips_leak_set(false);
        vips_block_untrusted_set(true);
    });
}

} // namespace quorvel::test
