#include "NtsKeClient.h"

#include "AesSiv.h"
#include "NtsKeResponseCheck.h"
#include "TcpConnect.h"
#include "TlsStream.h"

namespace brisvander {
namespace {
constexpr std::string_view kAlpn = "ntske/1";
constexpr std::string_view kExporterLabel = "EXPORTER-network-time-security";

// Exporter context: protocol id, AEAD id, then 0 for client-to-server, 1 for server-to-client.
Bytes ExporterContext(std::uint8_t direction)
{
    Bytes context;
    AppendU16(context, NtsProtocolNtpV4);
    AppendU16(context, NtsAeadAesSivCmac256);
    context.push_back(direction);
    return context;
}

// Reads until the response is complete; its parse, or the failure.
std::optional<Failure> ReadResponse(TlsStream& tls, NtsKeParseResult& parsed)
{
    Bytes received;
    while (true) {
        bool closed = false;
        if (auto failure = tls.ReadSome(received, closed))
            return failure;
        parsed = ParseNtsKeResponse(received);
        if (parsed.Status == NtsKeParseStatus::Complete)
            return std::nullopt;
        if (parsed.Status == NtsKeParseStatus::Malformed)
            return Wrapped(FailureKind::NtsResponseMalformed, parsed.Problem);
        if (closed)
            return KeyExchangeFailure(FailureKind::NtsResponseIncomplete);
    }
}
} // namespace

Expected<NtsSession> RunNtsKeyExchange(const NtsKeOptions& options)
{
    const Expected<SslCtxPtr> ctx = MakeNtsKeClientContext(options.ExtraCaFile);
    if (!ctx)
        return ctx.Error();
    Expected<UniqueFd> tcp = ConnectTcp(options.Host, options.Port, options.Deadline);
    if (!tcp)
        return tcp.Error();

    TlsStream tls(ctx.Value().get(), std::move(tcp.Value()), options.Host, options.Deadline,
                  options.IgnoreCertificatePeriod ? CertificatePeriod::Ignored : CertificatePeriod::Checked);
    std::optional<Failure> failure;
    if ((failure = tls.Handshake(kAlpn)) || (failure = tls.WriteAll(EncodeNtsKeRequest())))
        return std::move(*failure);
    NtsKeParseResult parsed;
    if ((failure = ReadResponse(tls, parsed)) || (failure = CheckNtsKeResponse(parsed.Response)))
        return std::move(*failure);

    auto c2s = tls.ExportKey(kExporterLabel, ExporterContext(0), AesSivKeySize);
    auto s2c = tls.ExportKey(kExporterLabel, ExporterContext(1), AesSivKeySize);
    tls.Close();
    if (!c2s || !s2c)
        return KeyExchangeFailure(FailureKind::NtsKeysNotExported);

    NtsSession session;
    session.ClientToServerKey = std::move(*c2s);
    session.ServerToClientKey = std::move(*s2c);
    session.Cookies = std::move(parsed.Response.Cookies);
    session.NtpServer = std::move(parsed.Response.NtpServer);
    session.NtpPort = parsed.Response.NtpPort;
    return session;
}

} // namespace brisvander
