#pragma once
// A stand-in for the privilege and clock calls: records every call with its
// arguments, answers as told, and never touches the real clock.
#include "SystemClockApi.h"

#include <cstdint>
#include <set>
#include <vector>

namespace testsupport {

class RecordingClockApi final : public SystemClockApi {
public:
    enum class Call { OpenToken, LookupPrivilege, AdjustPrivileges, CloseToken, SetTime };
    struct Record {
        Call call;
        ProcessTokenHandle token = nullptr;
        std::uint32_t privilegeCount = 0;
        std::uint64_t luid = 0;
        bool enable = false;                // SE_PRIVILEGE_ENABLED was set
        NtpTimestamp time;                  // SetTime: the time asked for
        NtpTimestamp calledAt;              // SetTime: the real clock at the call
        std::uint32_t lastErrorOnEntry = 0; // the thread's last error when called
    };

    // What each call answers; a failing call leaves failError as last error.
    BOOL openResult = TRUE;
    std::uint32_t openError = 10013;
    BOOL lookupResult = TRUE;
    BOOL enableResult = TRUE;
    BOOL disableResult = TRUE;
    BOOL setResult = TRUE;
    std::uint32_t failError = 10013;
    std::uint64_t privilegeLuid = 25; // CAP_SYS_TIME's number, any value would do

    // The simulated right: raised and cleared by successful adjust calls.
    bool privilegeHeld = false;

    std::vector<Record> records;
    std::vector<Call> Calls() const;
    std::vector<Record> Of(Call call) const;
    int TokensLeftOpen() const { return static_cast<int>(m_open.size()); }
    int BadCloses() const { return m_badCloses; }

    BOOL OpenProcessToken(ProcessTokenHandle& token) override;
    BOOL LookupPrivilegeValue(const char* name, std::uint64_t& luid) override;
    BOOL AdjustTokenPrivileges(ProcessTokenHandle token, const TOKEN_PRIVILEGES& privileges) override;
    void CloseProcessToken(ProcessTokenHandle token) override;
    BOOL SetSystemTime(const NtpTimestamp& utc) override;

private:
    Record& Add(Call call);
    std::uintptr_t m_nextToken = 0x1000;
    std::set<ProcessTokenHandle> m_open;
    int m_badCloses = 0;
};

} // namespace testsupport
