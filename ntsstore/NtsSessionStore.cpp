#include "NtsSessionStore.h"

#include "NtsKeRecords.h"
#include "NtsStoreFolder.h"
#include "NtsStoreNames.h"
#include "NtsStoreRecord.h"
#include "NtsStoreRules.h"
#include "StateLocation.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace brisvander {

namespace {
// `problem` (a Store... kind) as the reason why `path` was not used or written.
Failure Warning(FailureKind kind, const std::string& path, Failure problem)
{
    Failure warning = Wrapped(kind, std::move(problem));
    warning.Detail = path;
    return warning;
}

NtsTakeStatus StatusOf(StoreAccess access)
{
    switch (access) {
    case StoreAccess::Ok: return NtsTakeStatus::Taken;
    case StoreAccess::Missing: return NtsTakeStatus::Absent;
    case StoreAccess::Refused: return NtsTakeStatus::Refused;
    case StoreAccess::Failed: break;
    }
    return NtsTakeStatus::Failed;
}

// A taken file this run may not use goes back under its name, unless a newer
// session has been put there meanwhile; then it is superseded. Should both
// fail, the file stays taken until the sweep deletes it after this run.
void PutBack(int folder, const std::string& taken, const std::string& name)
{
    if (renameat2(folder, taken.c_str(), folder, name.c_str(), RENAME_NOREPLACE) != 0 && errno == EEXIST)
        unlinkat(folder, taken.c_str(), 0);
}

struct Judged {
    NtsTakeStatus Status;
    bool Delete;                    // the file is of no use to any run
    std::optional<Failure> Problem; // when the user should hear of it
};

Judged JudgeFile(const StoreFileRead& read, const std::string& host, std::uint16_t port, const std::string& trust,
                 std::int64_t now, NtsStoreRecord& record)
{
    if (read.Access != StoreAccess::Ok)
        return {StatusOf(read.Access), false, read.Problem};
    NtsStoreParseResult parsed = ParseNtsStoreRecord(read.Content);
    if (parsed.Status == NtsStoreParseStatus::Damaged)
        return {NtsTakeStatus::Damaged, false, FailureOf(FailureKind::StoreFileDamaged)};
    const Failure foreign = FailureOf(FailureKind::StoreFileForeign);
    if (parsed.Status == NtsStoreParseStatus::Foreign)
        return {NtsTakeStatus::Foreign, false, foreign};
    record = std::move(parsed.Record);
    switch (JudgeStoredSession(record, host, port, trust, now)) {
    case NtsStoredVerdict::Usable: return {NtsTakeStatus::Taken, true, {}};
    case NtsStoredVerdict::WrongServer: return {NtsTakeStatus::Foreign, false, foreign};
    case NtsStoredVerdict::Unsupported: return {NtsTakeStatus::Unsupported, true, {}};
    case NtsStoredVerdict::TooOld: return {NtsTakeStatus::TooOld, true, {}};
    case NtsStoredVerdict::WrongTrust: break;
    }
    return {NtsTakeStatus::WrongTrust, false, {}};
}
} // namespace

NtsSessionStore::NtsSessionStore(std::string folder) : m_folder(std::move(folder)) {}

NtsTakeResult NtsSessionStore::Take(const std::string& host, std::uint16_t port, const std::string& trust,
                                    std::int64_t now) const
{
    NtsTakeResult result;
    const StoreFolder folder = OpenStoreFolder(m_folder, false);
    if (folder.Access != StoreAccess::Ok) {
        result.Status = StatusOf(folder.Access);
        if (folder.Access != StoreAccess::Missing)
            result.Warning = Warning(FailureKind::NtsStoreUnusable, m_folder, folder.Problem);
        return result;
    }
    const int fd = folder.Fd.Get();
    RemoveAbandonedLeftovers(fd);
    const std::string name = SessionFileName(host, port);
    const std::string taken = TakenFileName(name, getpid(), RandomNameTag());
    // Of runs that try at once, exactly one wins this rename; the others find nothing.
    if (renameat(fd, name.c_str(), fd, taken.c_str()) != 0) {
        const int error = errno;
        if (error != ENOENT) {
            result.Status = NtsTakeStatus::Failed;
            Failure problem = FailureOf(FailureKind::StoreSystemError);
            problem.SystemError = error;
            result.Warning = Warning(FailureKind::NtsStoreUnusable, m_folder, std::move(problem));
        }
        return result;
    }
    NtsStoreRecord record;
    const Judged judged = JudgeFile(ReadPrivateFile(fd, taken, NtsStoreMaxFileSize), host, port, trust, now, record);
    if (judged.Delete)
        unlinkat(fd, taken.c_str(), 0);
    else
        PutBack(fd, taken, name);
    result.Status = judged.Status;
    if (judged.Problem)
        result.Warning = Warning(FailureKind::NtsStoredSessionUnusable, m_folder + "/" + name, *judged.Problem);
    if (result.Status == NtsTakeStatus::Taken) {
        result.Session = std::move(record.Session);
        result.KeyExchangeTime = record.KeyExchangeTime;
    }
    return result;
}

std::optional<Failure> NtsSessionStore::Put(const std::string& host, std::uint16_t port, const std::string& trust,
                                            const NtsSession& session, std::int64_t keyExchangeTime) const
{
    if (session.Cookies.empty())
        return std::nullopt;
    NtsStoreRecord record{host, port, trust, keyExchangeTime, NtsAeadAesSivCmac256, session};
    auto& cookies = record.Session.Cookies;
    if (cookies.size() > NtsMaxCookies)
        cookies.erase(cookies.begin(), cookies.end() - static_cast<std::ptrdiff_t>(NtsMaxCookies));
    const Bytes content = EncodeNtsStoreRecord(record);
    if (content.empty())
        return FailureOf(FailureKind::NtsSessionOutOfBounds);
    const StoreFolder folder = OpenStoreFolder(m_folder, true);
    if (folder.Access != StoreAccess::Ok)
        return Warning(FailureKind::NtsSessionNotStored, m_folder, folder.Problem);
    if (auto problem = WriteFileAtomically(folder.Fd.Get(), SessionFileName(host, port), content))
        return Warning(FailureKind::NtsSessionNotStored, m_folder, std::move(*problem));
    return std::nullopt;
}

NtsForgetResult NtsSessionStore::Forget(const std::optional<std::string>& host) const
{
    NtsForgetResult result;
    const StoreFolder folder = OpenStoreFolder(m_folder, false);
    if (folder.Access != StoreAccess::Ok) {
        if (folder.Access != StoreAccess::Missing)
            result.Warning = Warning(FailureKind::NtsStoreUnusable, m_folder, folder.Problem);
        return result;
    }
    const int fd = folder.Fd.Get();
    const std::string prefix = host ? SessionFilePrefix(*host) : std::string();
    for (const std::string& name : FolderEntries(fd)) {
        if (IsSessionFileName(name) && name.starts_with(prefix) && unlinkat(fd, name.c_str(), 0) == 0)
            ++result.Removed;
    }
    RemoveAbandonedLeftovers(fd);
    return result;
}

std::string DefaultNtsStoreFolder()
{
    const std::string state = BrisvanderStateDirectory();
    return state.empty() ? std::string() : state + "/nts";
}

} // namespace brisvander
