#pragma once

// Reading and writing integers of either byte order, for the writers.

#include <cstdint>
#include <vector>

namespace quorvel::platform::write {

inline uint16_t get16(const unsigned char* p, bool big)
{
    return big ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
}

inline uint32_t get32(const unsigned char* p, bool big)
{
    return big ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
               : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

inline uint64_t get64(const unsigned char* p, bool big)
{
    return big ? uint64_t(get32(p, true)) << 32 | get32(p + 4, true) : uint64_t(get32(p + 4, false)) << 32 | get32(p, false);
}

inline void put16(std::vector<unsigned char>& out, uint16_t v, bool big)
{
    if (big) {
        out.push_back(uint8_t(v >> 8));
        out.push_back(uint8_t(v));
    } else {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    }
}

inline void put32(std::vector<unsigned char>& out, uint32_t v, bool big)
{
    if (big) {
        put16(out, uint16_t(v >> 16), true);
        put16(out, uint16_t(v), true);
    } else {
        put16(out, uint16_t(v), false);
        put16(out, uint16_t(v >> 16), false);
    }
}

inline void put64(std::vector<unsigned char>& out, uint64_t v, bool big)
{
    if (big) {
        put32(out, uint32_t(v >> 32), true);
        put32(out, uint32_t(v), true);
    } else {
        put32(out, uint32_t(v), false);
        put32(out, uint32_t(v >> 32), false);
    }
}

} // namespace quorvel::platform::write
