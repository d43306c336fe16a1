#include "StateLocation.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace brisvander {

namespace {
bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

// The account's home as the password database has it; empty when unknown.
std::string HomeFromPasswordDatabase()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return {};
    return IsAbsolute(found->pw_dir) ? std::string(found->pw_dir) : std::string();
}

bool IsFolder(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}
} // namespace

std::string StateHomeFrom(const char* xdgStateHome, const char* home)
{
    if (IsAbsolute(xdgStateHome))
        return xdgStateHome;
    if (IsAbsolute(home))
        return std::string(home) + "/.local/state";
    return {};
}

std::string BrisvanderStateDirectory()
{
    std::string stateHome = StateHomeFrom(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
    if (stateHome.empty()) {
        const std::string home = HomeFromPasswordDatabase();
        stateHome = StateHomeFrom(nullptr, home.empty() ? nullptr : home.c_str());
    }
    return stateHome.empty() ? std::string() : stateHome + "/brisvander";
}

bool MakeFolders(const std::string& path, mode_t mode)
{
    for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (!prefix.empty() && mkdir(prefix.c_str(), mode) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    if (IsFolder(path))
        return true;
    errno = ENOTDIR;
    return false;
}

} // namespace brisvander
