#include "NtsKeResponseCheck.h"

namespace brisvander {
namespace {
bool IsExactly(const std::vector<std::uint16_t>& list, std::uint16_t value)
{
    return list.size() == 1 && list.front() == value;
}

Failure RecordValue(FailureKind kind, std::uint16_t value)
{
    Failure failure = KeyExchangeFailure(kind);
    failure.Code = value;
    return failure;
}
} // namespace

std::optional<Failure> CheckNtsKeResponse(const NtsKeResponse& response)
{
    using Kind = FailureKind;
    if (response.ErrorCode)
        return RecordValue(Kind::NtsServerErrorRecord, *response.ErrorCode);
    // No warning code is assigned, and one we do not know counts as an error.
    if (!response.Warnings.empty())
        return RecordValue(Kind::NtsServerWarningRecord, response.Warnings.front());
    if (!response.NextProtocols)
        return KeyExchangeFailure(Kind::NtsNoProtocolChoice);
    // An empty list is the server's way of saying it supports none of ours.
    if (!IsExactly(*response.NextProtocols, NtsProtocolNtpV4))
        return KeyExchangeFailure(Kind::NtsNoNtpV4);
    if (!response.AeadAlgorithms)
        return KeyExchangeFailure(Kind::NtsNoAeadChoice);
    if (!IsExactly(*response.AeadAlgorithms, NtsAeadAesSivCmac256))
        return KeyExchangeFailure(Kind::NtsNoAesSiv);
    if (response.Cookies.empty())
        return KeyExchangeFailure(Kind::NtsNoCookieReceived);
    return std::nullopt;
}

} // namespace brisvander
