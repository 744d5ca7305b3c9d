#pragma once

#include "check/CheckRules.h"
#include "check/ImageMeasure.h"
#include "platform/header/ImageFileReader.h"

#include <QTemporaryDir>

#include <optional>
#include <ostream>
#include <string>

namespace quorvel::test {

// A throwaway folder shared by the tests of one binary.
inline const QTemporaryDir& scratchDir()
{
    static QTemporaryDir dir;
    return dir;
}

inline std::string scratchPath(const std::string& name)
{
    return scratchDir().filePath(QString::fromStdString(name)).toStdString();
}

inline ImageHeader readHeaderOf(const std::string& path)
{
    return platform::ImageFileReader().readHeader(path);
}

// The resolution the inspector shows for a file.
inline int32_t inspectedDpi(const std::string& path)
{
    const ImageMeasure m = measureImage(path, platform::ImageFileReader());
    return measuredDpi(m.pixelsHigh, m.heightPoints);
}

} // namespace quorvel::test

namespace quorvel {
// Readable failure output for the header.
inline void PrintTo(const ImageHeader& h, std::ostream* os)
{
    *os << (h.readable ? "readable " : "unreadable ") << h.pixelsHigh << "x" << h.pixelsWide << " dpi=";
    if (h.verticalDpi)
        *os << *h.verticalDpi;
    else
        *os << "none";
    *os << " colour=" << h.colourSpaceName.value_or("none");
}
} // namespace quorvel
