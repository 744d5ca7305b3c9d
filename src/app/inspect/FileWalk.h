#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::inspect {

struct WalkResult {
    std::vector<std::string> files;
    std::vector<std::string> warnings; // one line each, for standard error
};

// The files to measure, in a stable order: each argument in turn; a file as
// it is (even one that does not exist, which then measures as unreadable);
// a folder's entries in byte order of their names, leaving out hidden ones
// and keeping only files whose name `isImage` accepts, and with `recursive`
// its sub-folders in their place. A folder reached a second time (through a
// symbolic link, which could otherwise loop) is skipped with a warning.
WalkResult collectFiles(const std::vector<std::string>& arguments, bool recursive,
                        const std::function<bool(std::string_view name)>& isImage);

} // namespace quorvel::inspect
