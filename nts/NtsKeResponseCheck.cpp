#include "NtsKeFailure.h"

namespace brisvander {
namespace {
std::string ErrorRecordText(std::uint16_t code)
{
    const char* meaning = nullptr;
    switch (code) {
    case 0: meaning = "unbekannter kritischer Record"; break;
    case 1: meaning = "ungültige Anfrage"; break;
    case 2: meaning = "interner Fehler des Servers"; break;
    default: meaning = "unbekannter Fehler"; break;
    }
    return "Fehler-Record vom Server: " + std::to_string(code) + " (" + meaning + ")";
}

bool IsExactly(const std::vector<std::uint16_t>& list, std::uint16_t value)
{
    return list.size() == 1 && list.front() == value;
}
} // namespace

NtsKeFailure TimeoutFailure() { return {NtsKeFailureKind::Timeout, "Zeitüberschreitung beim Schlüsselaustausch"}; }

std::optional<NtsKeFailure> CheckNtsKeResponse(const NtsKeResponse& response)
{
    using Kind = NtsKeFailureKind;
    if (response.ErrorCode)
        return NtsKeFailure{Kind::ServerError, ErrorRecordText(*response.ErrorCode)};
    // No warning code is assigned, and one we do not know counts as an error.
    if (!response.Warnings.empty())
        return NtsKeFailure{Kind::ServerError,
                            "Warn-Record vom Server: " + std::to_string(response.Warnings.front()) + " (unbekannt)"};
    if (!response.NextProtocols)
        return NtsKeFailure{Kind::BadResponse, "Antwort ohne Protokollauswahl"};
    // An empty list is the server's way of saying it supports none of ours.
    if (!IsExactly(*response.NextProtocols, NtsProtocolNtpV4))
        return NtsKeFailure{Kind::Unsupported, "Server bietet NTPv4 mit NTS nicht an"};
    if (!response.AeadAlgorithms)
        return NtsKeFailure{Kind::BadResponse, "Antwort ohne AEAD-Algorithmus"};
    if (!IsExactly(*response.AeadAlgorithms, NtsAeadAesSivCmac256))
        return NtsKeFailure{Kind::Unsupported, "Server unterstützt AEAD_AES_SIV_CMAC_256 nicht"};
    if (response.Cookies.empty())
        return NtsKeFailure{Kind::NoCookie, "keine Cookies erhalten"};
    return std::nullopt;
}

} // namespace brisvander
