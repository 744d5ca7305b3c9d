#pragma once

#include <QString>

namespace quorvel {

// The last component of a path: the file name with its extension. Trailing
// slashes are ignored, so a folder's path gives the folder's name.
QString lastPathComponent(const QString& path);

} // namespace quorvel
