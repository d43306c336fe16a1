#include "FailureText.h"

#include "CFormat.h"
#include "CapabilityClockControl.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <netdb.h>

namespace brisvander {

namespace {
using Kind = FailureKind;

std::string Number(long value) { return std::to_string(value); }

// OpenSSL's reason as it gave it; it may have given none.
std::string LibraryReason(const Failure& failure)
{
    return failure.Detail.empty() ? std::string("unbekannter Fehler") : failure.Detail;
}

std::string ConnectErrorText(int err)
{
    switch (err) {
    case ECONNREFUSED: return "Verbindung abgelehnt";
    case ENETUNREACH: return "Netz nicht erreichbar";
    case EHOSTUNREACH: return "Rechner nicht erreichbar";
    case ETIMEDOUT: return "Zeitüberschreitung";
    default: return std::strerror(err);
    }
}

std::string ErrorRecordText(long code)
{
    const char* meaning = nullptr;
    switch (code) {
    case 0: meaning = "unbekannter kritischer Record"; break;
    case 1: meaning = "ungültige Anfrage"; break;
    case 2: meaning = "interner Fehler des Servers"; break;
    default: meaning = "unbekannter Fehler"; break;
    }
    return "Fehler-Record vom Server: " + Number(code) + " (" + meaning + ")";
}

// Where the connection or TLS failed; empty for another kind.
std::string ConnectionText(const Failure& f)
{
    switch (f.Kind) {
    case Kind::NtsNameNotFound: return "Servername nicht gefunden: " + f.Host;
    case Kind::NtsNameLookupFailed:
        return "Namensauflösung für " + f.Host + " fehlgeschlagen: " + gai_strerror(f.SystemError);
    case Kind::NtsNoConnection:
        return "keine Verbindung zu " + f.Host + " Port " + Number(f.Port) + ": " + ConnectErrorText(f.SystemError);
    case Kind::NtsConnectionBroken: return std::string("Verbindung zum Server unterbrochen: ") + std::strerror(f.SystemError);
    case Kind::NtsWaitFailed: return std::string("poll: ") + std::strerror(f.SystemError);
    case Kind::NtsServerHungUp: return "Server hat die Verbindung beendet";
    case Kind::NtsTimedOut: return "Zeitüberschreitung beim Schlüsselaustausch";
    case Kind::NtsTlsUnavailable: return "TLS nicht verfügbar: " + LibraryReason(f);
    case Kind::NtsTlsNotStarted: return "TLS nicht verfügbar";
    case Kind::NtsCaFileUnreadable: return "Zertifikatsdatei nicht lesbar: " + f.Detail;
    case Kind::NtsTlsParametersRefused: return "TLS-Parameter für " + f.Host + " nicht setzbar";
    case Kind::NtsNoAlpn: return "Server unterstützt kein NTS (ALPN)";
    case Kind::NtsNoTls13: return "Server beherrscht kein TLS 1.3";
    case Kind::NtsClosedInHandshake: return "Server hat die Verbindung während des TLS-Handshakes beendet";
    case Kind::NtsHandshakeFailed: return "TLS-Handshake fehlgeschlagen: " + LibraryReason(f);
    case Kind::NtsTlsFailed: return "TLS-Fehler: " + LibraryReason(f);
    case Kind::NtsKeysNotExported: return "Schlüssel nicht aus der TLS-Sitzung ableitbar";
    default: return {};
    }
}

std::string UtcText(std::int64_t unixSeconds)
{
    const std::time_t time = static_cast<std::time_t>(unixSeconds);
    std::tm fields{};
    if (gmtime_r(&time, &fields) == nullptr)
        return "?";
    return CFormat("%02d.%02d.%04d %02d:%02d:%02d UTC", fields.tm_mday, fields.tm_mon + 1, fields.tm_year + 1900,
                   fields.tm_hour, fields.tm_min, fields.tm_sec);
}

// A span of time in the largest unit that keeps it above one of its kind,
// rounded down (`roundUp`: up), so "mindestens" and "höchstens" stay true.
std::string DurationText(std::int64_t seconds, bool roundUp)
{
    struct Unit {
        std::int64_t Seconds;
        const char* One;
        const char* Many;
    };
    static constexpr Unit units[] = {
        {86400, "Tag", "Tage"}, {3600, "Stunde", "Stunden"}, {60, "Minute", "Minuten"}, {1, "Sekunde", "Sekunden"}};
    for (const Unit& unit : units) {
        if (seconds < 2 * unit.Seconds && unit.Seconds > 1)
            continue;
        const std::int64_t count = roundUp ? (seconds + unit.Seconds - 1) / unit.Seconds : seconds / unit.Seconds;
        return std::to_string(count) + " " + (count == 1 ? unit.One : unit.Many);
    }
    return {};
}

// A certificate that is valid in every respect but its period, by this
// computer's clock: the clock may be what is wrong, and by how much it would
// have to be off tells the user which of the two to believe.
std::string CertificatePeriodText(const Failure& f)
{
    const bool expired = f.Kind == Kind::NtsCertificateExpired;
    std::string text = std::string("Zertifikat des Servers nach der Uhr dieses Rechners ") +
                       (expired ? "abgelaufen" : "noch nicht gültig");
    if (f.CheckedAt != 0 && f.NotBefore <= f.NotAfter) {
        // Off by at least the distance to the nearer end of the period, at most to the farther one.
        const std::int64_t least = expired ? f.CheckedAt - f.NotAfter : f.NotBefore - f.CheckedAt;
        const std::int64_t most = expired ? f.CheckedAt - f.NotBefore : f.NotAfter - f.CheckedAt;
        text += " (gültig vom " + UtcText(f.NotBefore) + " bis " + UtcText(f.NotAfter) + ", die Uhr zeigt " +
                UtcText(f.CheckedAt) + "). Vielleicht geht die Uhr dieses Rechners falsch: Ist das Zertifikat in "
                "Ordnung, geht sie mindestens " + DurationText(least, false) + " und höchstens " +
                DurationText(most, true) + (expired ? " vor" : " nach");
    } else {
        text += ". Vielleicht geht die Uhr dieses Rechners falsch";
    }
    return text + ". Ohne Prüfung des Gültigkeitszeitraums: --nts-ignore-cert-time";
}

// Why the server's certificate is not trusted; empty for another kind.
std::string CertificateText(const Failure& f)
{
    std::string problem;
    switch (f.Kind) {
    case Kind::NtsCertificateWrongName: problem = "ausgestellt für einen anderen Namen als " + f.Host; break;
    case Kind::NtsCertificateUnknownIssuer: problem = "unbekannte Zertifizierungsstelle"; break;
    case Kind::NtsCertificateExpired:
    case Kind::NtsCertificateNotYetValid: return CertificatePeriodText(f);
    case Kind::NtsCertificateRejected: problem = f.Detail; break;
    default: return {};
    }
    return "Zertifikat des Servers nicht vertrauenswürdig: " + problem;
}

// What the server's response said or lacked, or why a request could not be
// sealed; empty for another kind. `kind` is the failure's or its cause's.
std::string ResponseWords(Kind kind, const Failure& f)
{
    switch (kind) {
    case Kind::NtsResponseIncomplete: return "Antwort des Servers unvollständig";
    case Kind::NtsServerErrorRecord: return ErrorRecordText(f.Code);
    case Kind::NtsServerWarningRecord: return "Warn-Record vom Server: " + Number(f.Code) + " (unbekannt)";
    case Kind::NtsNoProtocolChoice: return "Antwort ohne Protokollauswahl";
    case Kind::NtsNoNtpV4: return "Server bietet NTPv4 mit NTS nicht an";
    case Kind::NtsNoAeadChoice: return "Antwort ohne AEAD-Algorithmus";
    case Kind::NtsNoAesSiv: return "Server unterstützt AEAD_AES_SIV_CMAC_256 nicht";
    case Kind::NtsNoCookieReceived: return "keine Cookies erhalten";
    case Kind::NtsRecordBadLength:
        return "Record Typ " + Number(f.Code) + " mit unzulässiger Länge " + std::to_string(f.Length);
    case Kind::NtsRecordRepeated: return "Record Typ " + Number(f.Code) + " mehrfach";
    case Kind::NtsRecordTooLong:
        return "Record Typ " + Number(f.Code) + " länger als " + std::to_string(f.Length) + " Bytes";
    case Kind::NtsResponseTooLong: return "Antwort länger als " + std::to_string(f.Length) + " Bytes";
    case Kind::NtsBadServerName: return "ungültiger Name des NTP-Servers";
    case Kind::NtsPortZero: return "unzulässiger NTP-Port 0";
    case Kind::NtsUnknownCriticalRecord: return "unbekannter kritischer Record (Typ " + Number(f.Code) + ")";
    case Kind::NtsResponseMalformed: return "fehlerhafte Antwort des Servers: " + ResponseWords(f.Cause, f);
    case Kind::NtsCookiesUsedUp: return "keine NTS-Cookies mehr; ein neuer Schlüsselaustausch ist nötig";
    case Kind::NtsNoRandomNumbers: return "keine Zufallszahlen für die NTS-Anfrage verfügbar";
    case Kind::NtsNotSealed: return "NTS-Anfrage konnte nicht versiegelt werden";
    case Kind::NtsCookiesRefused:
        return "Der Server lehnt die NTS-Cookies ab (NTS-NAK) und hat nicht authentisch geantwortet, auch nach einem "
               "neuen Schlüsselaustausch";
    default: return {};
    }
}

std::string ResponseText(const Failure& f) { return ResponseWords(f.Kind, f); }

// Why the clock was not set, and what to do; empty for another kind.
std::string ClockText(const Failure& f)
{
    switch (f.Kind) {
    case Kind::ClockNoRight:
        return "Zum Stellen der Uhr sind Administratorrechte nötig, und kein Zeitdienst des Systems (timedated) "
               "kann danach fragen. Bitte als Administrator (root) ausführen.";
    case Kind::ClockNotAuthorised:
        return "Die Berechtigung zum Stellen der Uhr wurde verweigert oder die Abfrage abgebrochen. Zum Stellen der "
               "Uhr ist das Kennwort eines Administrators nötig.";
    case Kind::ClockAutomaticSyncOn:
        return "Die automatische Zeitsynchronisation des Systems ist eingeschaltet, deshalb stellt der Zeitdienst "
               "die Uhr nicht. Ausschalten mit: timedatectl set-ntp false";
    case Kind::ClockNoAgent:
        return "Hier kann kein Kennwort abgefragt werden (kein Authentifizierungsagent, etwa über SSH). Bitte mit sudo "
               "ausführen.";
    case Kind::ClockNoAnswer:
        return "Der Zeitdienst hat nicht innerhalb von zwei Minuten geantwortet. Ob die Uhr noch gestellt wird, ist "
               "unbekannt; bitte später mit Info prüfen.";
    case Kind::ClockStillPending:
        return "Eine frühere Anfrage an den Zeitdienst ist noch offen und kann die Uhr noch stellen; deshalb wurde "
               "keine zweite gestellt. Bitte später mit Info prüfen.";
    case Kind::ClockNoBus:
        return "Es gibt keinen Systembus (D-Bus), über den der Zeitdienst des Systems (timedated) gefragt werden "
               "könnte. Zum Stellen der Uhr sind Administratorrechte nötig: Bitte als Administrator (root) ausführen.";
    case Kind::ClockNoService:
        return "Auf dem Systembus gibt es keinen Zeitdienst (timedated), etwa auf einem System ohne systemd. Zum "
               "Stellen der Uhr sind Administratorrechte nötig: Bitte als Administrator (root) ausführen.";
    case Kind::ClockRightOutOfReach:
        return "Hier fehlt das Recht, die Uhr zu stellen (" + std::string(ClockRightName) +
               "), auch als Administrator (root), und kein Zeitdienst des Systems kann sie stellen. So ist es etwa "
               "in einem Container: Die Uhr gehört dem Wirtssystem und ist dort zu stellen.";
    case Kind::ClockKernelRefused:
        return "Das Recht zum Stellen der Uhr (" + std::string(ClockRightName) +
               ") war vorhanden, doch das System hat das Stellen verweigert, etwa in einem Container: Die Uhr "
               "gehört dem Wirtssystem und ist dort zu stellen.";
    case Kind::ClockServiceGone:
        return "Der Zeitdienst (timedated) hat sich beendet, ohne zu antworten. Ob die Uhr gestellt wurde, ist "
               "unbekannt; bitte mit Info prüfen.";
    case Kind::ClockRefused: return "Das System hat die neue Zeit nicht übernommen.";
    default: return {};
    }
}

// Why a folder or file of the NTS store is not used or written.
std::string StoreProblemText(const Failure& f)
{
    switch (f.Cause) {
    case Kind::StoreNotFolder: return "kein Ordner";
    case Kind::StoreNotRegularFile: return "keine gewöhnliche Datei";
    case Kind::StoreSymbolicLink: return "symbolische Verknüpfung";
    case Kind::StoreOtherOwner: return "gehört einem anderen Konto (UID " + Number(f.Code) + ")";
    case Kind::StoreOpenToOthers:
        return CFormat("für andere lesbar oder beschreibbar (Rechte %04o)", static_cast<unsigned>(f.Code));
    case Kind::StoreFileDamaged: return "unvollständig oder verändert";
    case Kind::StoreFileForeign: return "keine NTS-Sitzung dieses Programms für diesen Server";
    default: return std::string("Systemfehler (") + std::strerror(f.SystemError) + ")";
    }
}

std::string StoreText(const Failure& f)
{
    switch (f.Kind) {
    case Kind::NtsStoreUnusable: return "NTS-Sitzungsspeicher " + f.Detail + " nicht benutzt: " + StoreProblemText(f);
    case Kind::NtsStoredSessionUnusable:
        return "Gespeicherte NTS-Sitzung " + f.Detail + " nicht benutzt: " + StoreProblemText(f);
    case Kind::NtsSessionNotStored:
        return "NTS-Sitzung nicht gespeichert, Sitzungsspeicher " + f.Detail + ": " + StoreProblemText(f);
    case Kind::NtsSessionOutOfBounds:
        return "NTS-Sitzung nicht gespeichert: Angaben außerhalb der Grenzen des Speichers";
    default: return {};
    }
}
} // namespace

std::string HistoryStateText(Kind state)
{
    switch (state) {
    case Kind::HistoryNoLocation: return "kein Ordner für den Zustand";
    case Kind::HistoryCannotOpen: return "die Datei lässt sich nicht öffnen";
    case Kind::HistoryBusy: return "die Datei ist zu lange gesperrt";
    case Kind::HistoryDamaged: return "die Datei ist beschädigt";
    case Kind::HistoryReadOnly: return "die Datei ist schreibgeschützt";
    case Kind::HistoryNewerSchema: return "die Datei stammt von einer neueren Version";
    case Kind::HistoryNotOpen: return "die Datei ist nicht geöffnet";
    default: return "Datenbankfehler";
    }
}

std::string FailureText(const Failure& failure)
{
    if (failure.Kind == Kind::HistoryNotWritten || failure.Kind == Kind::HistoryNotRead)
        return std::string("Der Verlauf konnte nicht ") +
               (failure.Kind == Kind::HistoryNotRead ? "gelesen" : "geschrieben") + " werden (" +
               HistoryStateText(failure.Cause) + "): " + failure.Detail;
    // Each knows its own kinds and says nothing of the others'.
    for (const auto words : {ConnectionText, CertificateText, ResponseText, ClockText, StoreText})
        if (std::string text = words(failure); !text.empty())
            return text;
    return {};
}

} // namespace brisvander
