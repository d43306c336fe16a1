#pragma once
// What the command tests share: a fake server on loopback, a recording clock
// that can also look at the program while the clock is being set, and the
// shape of a successful report.
#include "FakeSntpServer.h"
#include "GuiTestSupport.h"
#include "RecordingClockApi.h"

#include <QCursor>

#include <functional>
#include <optional>
#include <string>

// Forwards to a recording clock and runs a probe while the time is set.
class ProbingClock final : public SystemClockApi {
public:
    explicit ProbingClock(testsupport::RecordingClockApi& inner) : m_inner(inner) {}
    std::function<void()> WhileSetting;

    BOOL OpenProcessToken(ProcessTokenHandle& token) override { return m_inner.OpenProcessToken(token); }
    BOOL LookupPrivilegeValue(const char* name, std::uint64_t& luid) override
    {
        return m_inner.LookupPrivilegeValue(name, luid);
    }
    BOOL AdjustTokenPrivileges(ProcessTokenHandle token, const TOKEN_PRIVILEGES& privileges) override
    {
        return m_inner.AdjustTokenPrivileges(token, privileges);
    }
    void CloseProcessToken(ProcessTokenHandle token) override { m_inner.CloseProcessToken(token); }
    BOOL SetSystemTime(const NtpTimestamp& utc) override
    {
        if (WhileSetting)
            WhileSetting();
        return m_inner.SetSystemTime(utc);
    }

private:
    testsupport::RecordingClockApi& m_inner;
};

class CommandTest : public SettingsSandbox {
protected:
    CommandTest() : m_probe(m_clock) {}

    // Starts the program against `port` with `settings` as the stored file.
    CBrisvanderApp& Start(const QByteArray& settings, int port);
    CBrisvanderApp& Start(const QByteArray& settings) { return Start(settings, m_server.Port()); }
    void TypeHost(const QString& host) { ServerCombo(*m_app)->setEditText(host); }
    void Run(int commandId) { m_app->MainFrame()->OnCommand(commandId); }

    testsupport::FakeSntpServer m_server;
    testsupport::RecordingClockApi m_clock;
    ProbingClock m_probe;
    std::optional<CBrisvanderApp> m_app;
};

// Settings whose stored host is the fake server's address.
inline QByteArray LoopbackHost() { return "[Settings]\nHost=127.0.0.1\n"; }

struct ParsedReport {
    bool Sync = false;
    double Delay = 0.0;
    double Offset = 0.0;
    std::string Outcome; // text after the offset line
};

// The report of a successful query for `host`, or nothing when the text has
// another shape.
std::optional<ParsedReport> ParseSuccessReport(const QString& text, const std::string& host);

std::string QueryFailureReport(const std::string& host, bool sync, int error);
