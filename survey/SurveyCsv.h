#pragma once
// The survey as CSV (RFC 4180): a header line, then one line per host in the
// given order, lines ending in CRLF. Pure.
#include "SurveyOutcome.h"
#include "SurveyVerdict.h"

#include <span>
#include <string>
#include <string_view>

namespace brisvander {

// A field quoted where it holds a comma, a quote, CR or LF; quotes doubled.
std::string CsvField(std::string_view text);

// Columns host,address,port,success,error,offset,delay,stratum,reference,
// nts,verdict with JSON's meanings; a null is an empty field, true and false
// are written as such, figures in seconds with nine decimals. Hosts have
// their control characters escaped, since CSV has no escape of its own.
std::string SurveyToCsv(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict);

} // namespace brisvander
