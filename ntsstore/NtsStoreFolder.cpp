#include "NtsStoreFolder.h"

#include "NtsStoreNames.h"
#include "StateLocation.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisvander {

namespace {
constexpr mode_t OpenToOthers = S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;

Failure SystemProblem(int error)
{
    Failure problem = FailureOf(FailureKind::StoreSystemError);
    problem.SystemError = error;
    return problem;
}

Failure ProblemWithCode(FailureKind kind, long code)
{
    Failure problem = FailureOf(kind);
    problem.Code = code;
    return problem;
}

// Why a folder or file of this kind may not hold secrets; nullopt when it may.
std::optional<Failure> PrivacyProblem(const struct stat& status, bool folder)
{
    if (folder ? !S_ISDIR(status.st_mode) : !S_ISREG(status.st_mode))
        return FailureOf(folder ? FailureKind::StoreNotFolder : FailureKind::StoreNotRegularFile);
    if (status.st_uid != geteuid())
        return ProblemWithCode(FailureKind::StoreOtherOwner, static_cast<long>(status.st_uid));
    if ((status.st_mode & OpenToOthers) != 0)
        return ProblemWithCode(FailureKind::StoreOpenToOthers, static_cast<long>(status.st_mode & 07777));
    return std::nullopt;
}

// Opening with O_NOFOLLOW fails on a symbolic link with ELOOP (on a path to a folder, also ENOTDIR).
StoreAccess AccessFromOpenError(int error, Failure& problem)
{
    if (error == ENOENT)
        return StoreAccess::Missing;
    if (error == ELOOP || error == ENOTDIR) {
        problem = FailureOf(error == ELOOP ? FailureKind::StoreSymbolicLink : FailureKind::StoreNotFolder);
        return StoreAccess::Refused;
    }
    problem = SystemProblem(error);
    return StoreAccess::Failed;
}

bool WriteAll(int fd, ByteView data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t wrote = write(fd, data.data() + done, data.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            if (wrote == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool IsAbandoned(int folder, const std::string& name, pid_t owner)
{
    const bool ownerGone = owner != getpid() && kill(owner, 0) != 0 && errno == ESRCH;
    struct stat status {};
    if (fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return ownerGone || std::time(nullptr) - status.st_ctime > NtsLeftoverMaxAgeSeconds;
}
} // namespace

StoreFolder OpenStoreFolder(const std::string& path, bool create)
{
    StoreFolder result;
    struct stat status {};
    if (create && lstat(path.c_str(), &status) != 0 && errno == ENOENT && !MakeFolders(path, 0700)) {
        result.Problem = SystemProblem(errno);
        return result;
    }
    result.Fd = UniqueFd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!result.Fd.Valid()) {
        result.Access = AccessFromOpenError(errno, result.Problem);
        return result;
    }
    if (fstat(result.Fd.Get(), &status) != 0) {
        result.Problem = SystemProblem(errno);
    } else if (std::optional<Failure> problem = PrivacyProblem(status, true)) {
        result.Problem = std::move(*problem);
        result.Access = StoreAccess::Refused;
    } else {
        result.Access = StoreAccess::Ok;
    }
    if (result.Access != StoreAccess::Ok)
        result.Fd.Reset();
    return result;
}

StoreFileRead ReadPrivateFile(int folder, const std::string& name, std::size_t limit)
{
    StoreFileRead result;
    const UniqueFd fd(openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        result.Access = AccessFromOpenError(errno, result.Problem);
        return result;
    }
    struct stat status {};
    if (fstat(fd.Get(), &status) != 0) {
        result.Problem = SystemProblem(errno);
        return result;
    }
    if (std::optional<Failure> problem = PrivacyProblem(status, false)) {
        result.Problem = std::move(*problem);
        result.Access = StoreAccess::Refused;
        return result;
    }
    result.Content.resize(limit + 1);
    std::size_t got = 0;
    while (got < result.Content.size()) {
        const ssize_t n = read(fd.Get(), result.Content.data() + got, result.Content.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.Problem = SystemProblem(errno);
            result.Content.clear();
            return result;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    result.Content.resize(got);
    result.Access = StoreAccess::Ok;
    return result;
}

std::optional<Failure> WriteFileAtomically(int folder, const std::string& name, ByteView content)
{
    const std::string temp = TempFileName(name, getpid(), RandomNameTag());
    UniqueFd fd(openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.Valid())
        return SystemProblem(errno);
    // The umask may have taken more than group and others; the mode is exact either way.
    int error = 0;
    if (fchmod(fd.Get(), 0600) != 0 || !WriteAll(fd.Get(), content) || fsync(fd.Get()) != 0)
        error = errno;
    // After fsync a close has nothing left to report.
    fd.Reset();
    if (error == 0 && renameat(folder, temp.c_str(), folder, name.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlinkat(folder, temp.c_str(), 0);
        return SystemProblem(error);
    }
    // The rename itself lasts only once the folder is on disk.
    fsync(folder);
    return std::nullopt;
}

std::vector<std::string> FolderEntries(int folder)
{
    std::vector<std::string> names;
    // A descriptor of its own, so that reading does not move the folder's position for others.
    const int own = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = own >= 0 ? fdopendir(own) : nullptr;
    if (dir == nullptr) {
        if (own >= 0)
            close(own);
        return names;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    return names;
}

int RemoveAbandonedLeftovers(int folder)
{
    int removed = 0;
    for (const std::string& name : FolderEntries(folder)) {
        const auto owner = LeftoverOwner(name);
        if (owner && IsAbandoned(folder, name, *owner) && unlinkat(folder, name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

} // namespace brisvander
