// Feeds arbitrary bytes to the NTS key exchange response parser and the
// judgement of what it parsed, as a server (or anyone on the path before TLS
// fails) could send them.
#include "NtsKeResponseCheck.h"
#include "NtsKeRecords.h"

#include <cstdlib>

using namespace brisvander;

namespace {
void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckBounds(const NtsKeResponse& r)
{
    Require(r.Cookies.size() <= NtsMaxCookies);
    for (const Bytes& cookie : r.Cookies)
        Require(!cookie.empty() && cookie.size() <= NtsKeMaxRecordBody);
    Require(r.NtpServer.size() <= NtsKeMaxRecordBody);
    for (char c : r.NtpServer)
        Require(c > 0x20 && c < 0x7F);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ByteView input(data, size);
    const NtsKeParseResult r = ParseNtsKeResponse(input);
    CheckBounds(r.Response);
    switch (r.Status) {
    case NtsKeParseStatus::Complete: {
        Require(r.Consumed >= 4 && r.Consumed <= size && r.Consumed <= NtsKeMaxMessageSize);
        // The message ends where the parser says: the same bytes alone parse alike, one fewer does not end.
        const NtsKeParseResult alone = ParseNtsKeResponse(input.first(r.Consumed));
        Require(alone.Status == NtsKeParseStatus::Complete && alone.Response.Cookies == r.Response.Cookies);
        Require(ParseNtsKeResponse(input.first(r.Consumed - 1)).Status == NtsKeParseStatus::Incomplete);
        const auto failure = CheckNtsKeResponse(r.Response);
        Require(failure ? failure->Number == ErrorCode::KeyExchangeFailed : !r.Response.Cookies.empty());
        break;
    }
    case NtsKeParseStatus::Malformed:
        Require(r.Problem.Number == ErrorCode::KeyExchangeFailed && r.Problem.Kind != FailureKind::Numbered);
        break;
    case NtsKeParseStatus::Incomplete:
        Require(size < NtsKeMaxMessageSize);
        break;
    }
    return 0;
}
