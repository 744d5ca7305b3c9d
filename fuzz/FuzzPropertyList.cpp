// The version list arrives from the network: any bytes at all must give a
// value or nothing, never a crash, a hang or unbounded memory.
#include "info/PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<QVariant> value = quorvel::info::parsePropertyList(bytes);
    if (value && !value->isValid())
        std::abort(); // a parsed list always has a root value
    return 0;
}
