#include "app/inspect/FileWalk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>

namespace quorvel::inspect {
namespace {

using Identity = std::pair<dev_t, ino_t>;

class Walker {
public:
    Walker(bool recursive, const std::function<bool(std::string_view)>& isImage, WalkResult& result)
        : m_recursive(recursive), m_isImage(isImage), m_result(result)
    {
    }

    void argument(const std::string& path)
    {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            folder(path, info);
        else
            m_result.files.push_back(path);
    }

private:
    void folder(const std::string& path, const struct stat& info)
    {
        const Identity identity{info.st_dev, info.st_ino};
        if (!m_seen.insert(identity).second) {
            const bool loop = std::find(m_open.begin(), m_open.end(), identity) != m_open.end();
            m_result.warnings.push_back(path + (loop ? ": symbolic link loop, skipped" : ": folder already walked, skipped"));
            return;
        }
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), ::closedir);
        if (!dir) {
            m_result.warnings.push_back(path + ": " + std::strerror(errno));
            return;
        }
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir.get())) {
            if (entry->d_name[0] != '.') // hidden, and the "." and ".." entries
                names.emplace_back(entry->d_name);
        }
        dir.reset();
        std::sort(names.begin(), names.end());

        m_open.push_back(identity);
        const std::string prefix = path.back() == '/' ? path : path + '/';
        for (const std::string& name : names) {
            const std::string child = prefix + name;
            struct stat childInfo {};
            if (::stat(child.c_str(), &childInfo) != 0) {
                if (m_isImage(name))
                    m_result.warnings.push_back(child + ": " + std::strerror(errno));
                continue;
            }
            if (S_ISDIR(childInfo.st_mode)) {
                if (m_recursive)
                    folder(child, childInfo);
            } else if (S_ISREG(childInfo.st_mode) && m_isImage(name)) {
                m_result.files.push_back(child);
            }
        }
        m_open.pop_back();
    }

    bool m_recursive;
    const std::function<bool(std::string_view)>& m_isImage;
    WalkResult& m_result;
    std::set<Identity> m_seen;
    std::vector<Identity> m_open; // the folders being walked, outermost first
};

} // namespace

WalkResult collectFiles(const std::vector<std::string>& arguments, bool recursive,
                        const std::function<bool(std::string_view name)>& isImage)
{
    WalkResult result;
    Walker walker(recursive, isImage, result);
    for (const std::string& argument : arguments)
        walker.argument(argument);
    return result;
}

} // namespace quorvel::inspect
