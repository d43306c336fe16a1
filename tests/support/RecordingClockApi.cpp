#include "RecordingClockApi.h"

#include "LastError.h"
#include "ReferenceClock.h"

#include <cstring>

namespace testsupport {

std::vector<RecordingClockApi::Call> RecordingClockApi::Calls() const
{
    std::vector<Call> calls;
    for (const Record& r : records)
        calls.push_back(r.call);
    return calls;
}

std::vector<RecordingClockApi::Record> RecordingClockApi::Of(Call call) const
{
    std::vector<Record> found;
    for (const Record& r : records)
        if (r.call == call)
            found.push_back(r);
    return found;
}

RecordingClockApi::Record& RecordingClockApi::Add(Call call)
{
    Record r;
    r.call = call;
    r.lastErrorOnEntry = GetLastError();
    records.push_back(r);
    return records.back();
}

BOOL RecordingClockApi::OpenProcessToken(ProcessTokenHandle& token)
{
    Add(Call::OpenToken);
    token = nullptr;
    if (!openResult) {
        SetLastError(openError);
        return FALSE;
    }
    token = reinterpret_cast<ProcessTokenHandle>(m_nextToken);
    m_nextToken += 0x10;
    m_open.insert(token);
    records.back().token = token;
    return TRUE;
}

BOOL RecordingClockApi::LookupPrivilegeValue(const char* name, std::uint64_t& luid)
{
    Add(Call::LookupPrivilege);
    if (!lookupResult || name == nullptr || std::strcmp(name, SE_SYSTEMTIME_NAME) != 0) {
        SetLastError(failError);
        return FALSE;
    }
    luid = privilegeLuid;
    return TRUE;
}

BOOL RecordingClockApi::AdjustTokenPrivileges(ProcessTokenHandle token, const TOKEN_PRIVILEGES& privileges)
{
    Record& r = Add(Call::AdjustPrivileges);
    r.token = token;
    r.privilegeCount = privileges.PrivilegeCount;
    r.luid = privileges.Privileges[0].Luid;
    r.enable = (privileges.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    const BOOL result = r.enable ? enableResult : disableResult;
    if (!result || m_open.count(token) == 0) {
        SetLastError(failError);
        return FALSE;
    }
    privilegeHeld = r.enable;
    return TRUE;
}

void RecordingClockApi::CloseProcessToken(ProcessTokenHandle token)
{
    Add(Call::CloseToken).token = token;
    if (m_open.erase(token) == 0)
        ++m_badCloses;
}

BOOL RecordingClockApi::SetSystemTime(const NtpTimestamp& utc)
{
    Record& r = Add(Call::SetTime);
    r.time = utc;
    r.calledAt = RealClockPlus(0.0);
    if (!setResult) {
        SetLastError(failError);
        return FALSE;
    }
    return TRUE;
}

} // namespace testsupport
