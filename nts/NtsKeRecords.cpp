#include "NtsKeRecords.h"

namespace brisvander {
namespace {
using Type = NtsKeRecordType;

void AppendRecord(Bytes& out, Type type, bool critical, ByteView body)
{
    AppendU16(out, static_cast<std::uint16_t>(static_cast<std::uint16_t>(type) | (critical ? NtsKeCriticalBit : 0)));
    AppendU16(out, static_cast<std::uint16_t>(body.size()));
    AppendBytes(out, body);
}

Bytes U16Body(std::uint16_t value)
{
    Bytes body;
    AppendU16(body, value);
    return body;
}

std::vector<std::uint16_t> U16List(ByteView body)
{
    std::vector<std::uint16_t> values;
    for (std::size_t at = 0; at + 1 < body.size(); at += 2)
        values.push_back(ReadU16(body, at));
    return values;
}

bool IsKnownType(std::uint16_t type) { return type <= static_cast<std::uint16_t>(Type::NtpPort); }

bool IsHostText(ByteView body)
{
    if (body.empty())
        return false;
    for (std::uint8_t c : body)
        if (c < 0x21 || c > 0x7E)
            return false;
    return true;
}

Failure RecordProblem(FailureKind kind, std::uint16_t type, std::size_t length = 0)
{
    Failure problem = KeyExchangeFailure(kind);
    problem.Code = type;
    problem.Length = length;
    return problem;
}

Failure WrongLength(std::uint16_t type, std::size_t length)
{
    return RecordProblem(FailureKind::NtsRecordBadLength, type, length);
}

Failure Duplicate(std::uint16_t type) { return RecordProblem(FailureKind::NtsRecordRepeated, type); }

// Takes one record body into the response; the problem when it cannot be valid.
std::optional<Failure> TakeRecord(std::uint16_t type, bool critical, ByteView body, NtsKeResponse& response)
{
    switch (static_cast<Type>(type)) {
    case Type::NextProtocol:
    case Type::AeadAlgorithm: {
        auto& list = type == static_cast<std::uint16_t>(Type::NextProtocol) ? response.NextProtocols
                                                                              : response.AeadAlgorithms;
        if (list)
            return Duplicate(type);
        if (body.size() % 2 != 0)
            return WrongLength(type, body.size());
        list = U16List(body);
        return std::nullopt;
    }
    case Type::Error:
    case Type::Warning:
        if (body.size() != 2)
            return WrongLength(type, body.size());
        if (type == static_cast<std::uint16_t>(Type::Warning))
            response.Warnings.push_back(ReadU16(body, 0));
        else if (!response.ErrorCode)
            response.ErrorCode = ReadU16(body, 0);
        return std::nullopt;
    case Type::NewCookie:
        if (body.empty())
            return WrongLength(type, 0);
        if (response.Cookies.size() < NtsMaxCookies)
            response.Cookies.emplace_back(body.begin(), body.end());
        return std::nullopt;
    case Type::NtpServer:
        if (!response.NtpServer.empty())
            return Duplicate(type);
        if (!IsHostText(body))
            return KeyExchangeFailure(FailureKind::NtsBadServerName);
        response.NtpServer.assign(body.begin(), body.end());
        return std::nullopt;
    case Type::NtpPort:
        if (response.NtpPort != 0)
            return Duplicate(type);
        if (body.size() != 2)
            return WrongLength(type, body.size());
        if (ReadU16(body, 0) == 0)
            return KeyExchangeFailure(FailureKind::NtsPortZero);
        response.NtpPort = ReadU16(body, 0);
        return std::nullopt;
    case Type::EndOfMessage:
        break; // the caller's
    }
    if (critical)
        return RecordProblem(FailureKind::NtsUnknownCriticalRecord, type);
    return std::nullopt; // unknown and not critical: ignored
}
} // namespace

Bytes EncodeNtsKeRequest()
{
    Bytes out;
    AppendRecord(out, Type::NextProtocol, true, U16Body(NtsProtocolNtpV4));
    // RFC 8915 lets the client set the critical bit on the AEAD record; it does.
    AppendRecord(out, Type::AeadAlgorithm, true, U16Body(NtsAeadAesSivCmac256));
    AppendRecord(out, Type::EndOfMessage, true, {});
    return out;
}

NtsKeParseResult ParseNtsKeResponse(ByteView received)
{
    NtsKeParseResult result;
    auto malformed = [&result](Failure problem) {
        result.Status = NtsKeParseStatus::Malformed;
        result.Problem = std::move(problem);
        return result;
    };
    std::size_t at = 0;
    while (true) {
        if (at + 4 > NtsKeMaxMessageSize)
            return malformed(RecordProblem(FailureKind::NtsResponseTooLong, 0, NtsKeMaxMessageSize));
        if (received.size() - at < 4)
            return result; // Incomplete
        const std::uint16_t rawType = ReadU16(received, at);
        const std::uint16_t type = rawType & ~NtsKeCriticalBit;
        const std::size_t length = ReadU16(received, at + 2);
        if (length > NtsKeMaxRecordBody && IsKnownType(type))
            return malformed(RecordProblem(FailureKind::NtsRecordTooLong, type, NtsKeMaxRecordBody));
        if (at + 4 + length > NtsKeMaxMessageSize)
            return malformed(RecordProblem(FailureKind::NtsResponseTooLong, 0, NtsKeMaxMessageSize));
        if (received.size() - at - 4 < length)
            return result; // Incomplete
        const ByteView body = received.subspan(at + 4, length);
        at += 4 + length;
        if (type == static_cast<std::uint16_t>(Type::EndOfMessage)) {
            if (length != 0)
                return malformed(WrongLength(type, length));
            result.Status = NtsKeParseStatus::Complete;
            result.Consumed = at;
            return result;
        }
        if (auto problem = TakeRecord(type, (rawType & NtsKeCriticalBit) != 0, body, result.Response))
            return malformed(std::move(*problem));
    }
}

} // namespace brisvander
