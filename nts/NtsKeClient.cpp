#include "NtsKeClient.h"

#include "AesSiv.h"
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

NtsKeResult Fail(NtsKeFailure failure) { return {std::nullopt, std::move(failure)}; }

// Reads until the response is complete; its parse, or the failure.
std::optional<NtsKeFailure> ReadResponse(TlsStream& tls, NtsKeParseResult& parsed)
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
            return NtsKeFailure{NtsKeFailureKind::BadResponse, "fehlerhafte Antwort des Servers: " + parsed.Problem};
        if (closed)
            return NtsKeFailure{NtsKeFailureKind::BadResponse, "Antwort des Servers unvollständig"};
    }
}
} // namespace

NtsKeResult RunNtsKeyExchange(const NtsKeOptions& options)
{
    std::optional<NtsKeFailure> failure;
    const SslCtxPtr ctx = MakeNtsKeClientContext(options.ExtraCaFile, failure);
    if (!ctx)
        return Fail(std::move(*failure));
    TcpConnection tcp = ConnectTcp(options.Host, options.Port, options.Deadline);
    if (tcp.Failure)
        return Fail(std::move(*tcp.Failure));

    TlsStream tls(ctx.get(), std::move(tcp.Socket), options.Host, options.Deadline);
    if ((failure = tls.Handshake(kAlpn)) || (failure = tls.WriteAll(EncodeNtsKeRequest())))
        return Fail(std::move(*failure));
    NtsKeParseResult parsed;
    if ((failure = ReadResponse(tls, parsed)) || (failure = CheckNtsKeResponse(parsed.Response)))
        return Fail(std::move(*failure));

    auto c2s = tls.ExportKey(kExporterLabel, ExporterContext(0), AesSivKeySize);
    auto s2c = tls.ExportKey(kExporterLabel, ExporterContext(1), AesSivKeySize);
    tls.Close();
    if (!c2s || !s2c)
        return Fail({NtsKeFailureKind::Internal, "Schlüssel nicht aus der TLS-Sitzung ableitbar"});

    NtsSession session;
    session.ClientToServerKey = std::move(*c2s);
    session.ServerToClientKey = std::move(*s2c);
    session.Cookies = std::move(parsed.Response.Cookies);
    session.NtpServer = std::move(parsed.Response.NtpServer);
    session.NtpPort = parsed.Response.NtpPort;
    return {std::move(session), {}};
}

} // namespace brisvander
