#pragma once
// The German report that the Info and Abgleichen commands write into the
// output area (and the command-line program prints). UTF-8, no Qt.
#include "Failure.h"
#include "Platform.h"
#include "SampleOutcome.h"
#include "SntpResult.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brisvander {

enum class ReportCommand { Info, Sync };

// First line of every report: the host as typed, control characters escaped.
std::string ReportHostLine(const std::string& host);
// Second line of an Abgleichen report, shown before the exchange starts.
std::string ReportSyncAnnouncement();
// The text shown while the exchange runs.
std::string ReportPreamble(ReportCommand command, const std::string& host);
// Timestamps, delay and offset of a successful query.
std::string ReportSuccessBody(const SntpResult& result);
// The failure text; a non-empty `reason` (one German line) follows the
// error number, as for a failed NTS key exchange.
std::string ReportQueryFailure(std::uint32_t error, const std::string& reason = {});
// The reason line of a key exchange that failed as it does against a server
// without NTS: `reason`, then that the server may not offer NTS and that
// authenticated time is switched on, always or (`whenOffered`) where offered.
std::string ReportServerMayLackNts(const std::string& reason, bool whenOffered = false);
// The reason line of failed exchanges with the NTP server a key exchange
// named instead of the host.
std::string ReportNamedNtpServer(const std::string& ntpServer, int port);
// After the offset line of an authenticated report: which key exchange
// server vouched for the time, whether through a session kept from an
// earlier key exchange (`storedSession`), and that the certificate's
// validity period was not checked (`periodUnchecked`).
std::string ReportAuthenticatedBy(const std::string& keyExchangeServer, bool storedSession = false,
                                  bool periodUnchecked = false);
// After the offset line when NTS was wanted where offered and the key
// exchange server offered none: the time is not authenticated, and why
// (`reason`, one German line).
std::string ReportNotAuthenticated(const std::string& keyExchangeServer, const std::string& reason);
// One line after the report of a series: how many of the `asked` exchanges
// were made and which one (1-based, `chosen` is 0-based) the report shows.
// `cookiesRanOut`: the series ended early for want of an NTS cookie.
std::string ReportSampleSummary(const std::vector<SampleOutcome>& samples, int asked,
                                std::optional<std::size_t> chosen, bool cookiesRanOut = false);
// The end of an Abgleichen report: success (no failure), or the failure
// line, one line that says why and what to do (FailureText), and "OK.".
std::string ReportClockOutcome(const std::optional<Failure>& failure);

// One timestamp line: label, then day.month.year and time with milliseconds.
std::string ReportTimestampLine(const char* label, const SYSTEMTIME& utc);

} // namespace brisvander
