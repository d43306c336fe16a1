// The user's words for every failure, byte for byte: the facts a room below
// gathered, and the German line made of them here. Library words (strerror,
// gai_strerror, OpenSSL's reasons) pass through as the library gives them.
#include "FailureText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <netdb.h>
#include <string>

using namespace brisvander;

namespace {
using Kind = FailureKind;

Failure Of(Kind kind)
{
    return FailureOf(kind, ErrorCode::KeyExchangeFailed);
}

Failure WithHost(Kind kind, const std::string& host, int port = 0, int systemError = 0)
{
    Failure failure = Of(kind);
    failure.Host = host;
    failure.Port = port;
    failure.SystemError = systemError;
    return failure;
}

Failure WithDetail(Kind kind, const std::string& detail)
{
    Failure failure = Of(kind);
    failure.Detail = detail;
    return failure;
}

Failure WithCode(Kind kind, long code, std::size_t length = 0)
{
    Failure failure = Of(kind);
    failure.Code = code;
    failure.Length = length;
    return failure;
}

Failure Malformed(Failure problem) { return Wrapped(Kind::NtsResponseMalformed, std::move(problem)); }

Failure StoreWarning(Kind kind, const std::string& path, Kind cause, long code = 0, int systemError = 0)
{
    Failure problem = FailureOf(cause);
    problem.Code = code;
    problem.SystemError = systemError;
    Failure warning = Wrapped(kind, problem);
    warning.Detail = path;
    return warning;
}
} // namespace

TEST(FailureText, ANumberedFailureHasNoWordsOfItsOwn)
{
    EXPECT_EQ(FailureText(NumberedFailure(ErrorCode::TimedOut)), "");
}

TEST(FailureText, ConnectionAndLookupOfTheKeyExchange)
{
    EXPECT_EQ(FailureText(WithHost(Kind::NtsNameNotFound, "no-such-host.invalid")),
              "Servername nicht gefunden: no-such-host.invalid");
    EXPECT_EQ(FailureText(WithHost(Kind::NtsNameLookupFailed, "time.example", 0, EAI_AGAIN)),
              std::string("Namensauflösung für time.example fehlgeschlagen: ") + gai_strerror(EAI_AGAIN));
    const std::pair<int, std::string> connectErrors[] = {
        {ECONNREFUSED, "Verbindung abgelehnt"},
        {ENETUNREACH, "Netz nicht erreichbar"},
        {EHOSTUNREACH, "Rechner nicht erreichbar"},
        {ETIMEDOUT, "Zeitüberschreitung"},
        {EPIPE, std::strerror(EPIPE)},
    };
    for (const auto& [err, words] : connectErrors)
        EXPECT_EQ(FailureText(WithHost(Kind::NtsNoConnection, "127.0.0.1", 1, err)),
                  "keine Verbindung zu 127.0.0.1 Port 1: " + words);
    EXPECT_EQ(FailureText(WithHost(Kind::NtsConnectionBroken, "", 0, ECONNRESET)),
              std::string("Verbindung zum Server unterbrochen: ") + std::strerror(ECONNRESET));
    EXPECT_EQ(FailureText(WithHost(Kind::NtsWaitFailed, "", 0, ENOMEM)),
              std::string("poll: ") + std::strerror(ENOMEM));
    EXPECT_EQ(FailureText(Of(Kind::NtsServerHungUp)), "Server hat die Verbindung beendet");
    EXPECT_EQ(FailureText(Of(Kind::NtsTimedOut)), "Zeitüberschreitung beim Schlüsselaustausch");
}

TEST(FailureText, TlsPassesOnOpenSslsWordsOrSaysItHasNone)
{
    EXPECT_EQ(FailureText(WithDetail(Kind::NtsTlsUnavailable, "malloc failure")), "TLS nicht verfügbar: malloc failure");
    EXPECT_EQ(FailureText(WithDetail(Kind::NtsTlsUnavailable, "")), "TLS nicht verfügbar: unbekannter Fehler");
    EXPECT_EQ(FailureText(Of(Kind::NtsTlsNotStarted)), "TLS nicht verfügbar");
    EXPECT_EQ(FailureText(WithDetail(Kind::NtsCaFileUnreadable, "/nonexistent/ca.pem")),
              "Zertifikatsdatei nicht lesbar: /nonexistent/ca.pem");
    EXPECT_EQ(FailureText(WithHost(Kind::NtsTlsParametersRefused, "time.example")),
              "TLS-Parameter für time.example nicht setzbar");
    EXPECT_EQ(FailureText(Of(Kind::NtsNoAlpn)), "Server unterstützt kein NTS (ALPN)");
    EXPECT_EQ(FailureText(Of(Kind::NtsNoTls13)), "Server beherrscht kein TLS 1.3");
    EXPECT_EQ(FailureText(Of(Kind::NtsClosedInHandshake)),
              "Server hat die Verbindung während des TLS-Handshakes beendet");
    EXPECT_EQ(FailureText(WithDetail(Kind::NtsHandshakeFailed, "wrong version number")),
              "TLS-Handshake fehlgeschlagen: wrong version number");
    EXPECT_EQ(FailureText(WithDetail(Kind::NtsTlsFailed, "")), "TLS-Fehler: unbekannter Fehler");
    EXPECT_EQ(FailureText(Of(Kind::NtsKeysNotExported)), "Schlüssel nicht aus der TLS-Sitzung ableitbar");
}

TEST(FailureText, EachCertificateProblemHasItsOwnEnding)
{
    const std::string head = "Zertifikat des Servers nicht vertrauenswürdig: ";
    EXPECT_EQ(FailureText(WithHost(Kind::NtsCertificateWrongName, "127.0.0.1")),
              head + "ausgestellt für einen anderen Namen als 127.0.0.1");
    EXPECT_EQ(FailureText(Of(Kind::NtsCertificateUnknownIssuer)), head + "unbekannte Zertifizierungsstelle");
    EXPECT_EQ(FailureText(WithDetail(Kind::NtsCertificateRejected, "certificate revoked")),
              head + "certificate revoked");
}

// Valid but for its period by this computer's clock: the clock may be what is
// wrong, and how far it would be off (from the period's near end to its far
// end) says which to believe.
TEST(FailureText, ACertificateOutsideItsPeriodSaysHowFarTheClockWouldBeOff)
{
    const std::int64_t checkedAt = 1'796'688'000; // 08.12.2026 00:00:00 UTC
    Failure notYet = Of(Kind::NtsCertificateNotYetValid);
    notYet.CheckedAt = checkedAt;
    notYet.NotBefore = checkedAt + 86400 - 30;
    notYet.NotAfter = checkedAt + 31 * 86400 + 1;
    EXPECT_EQ(FailureText(notYet),
              "Zertifikat des Servers nach der Uhr dieses Rechners noch nicht gültig (gültig vom 08.12.2026 23:59:30 "
              "UTC bis 08.01.2027 00:00:01 UTC, die Uhr zeigt 08.12.2026 00:00:00 UTC). Vielleicht geht die Uhr "
              "dieses Rechners falsch: Ist das Zertifikat in Ordnung, geht sie mindestens 23 Stunden und höchstens "
              "32 Tage nach. Ohne Prüfung des Gültigkeitszeitraums: --nts-ignore-cert-time");

    Failure expired = Of(Kind::NtsCertificateExpired);
    expired.CheckedAt = checkedAt;
    expired.NotBefore = checkedAt - 7200;
    expired.NotAfter = checkedAt - 90;
    EXPECT_EQ(FailureText(expired),
              "Zertifikat des Servers nach der Uhr dieses Rechners abgelaufen (gültig vom 07.12.2026 22:00:00 UTC "
              "bis 07.12.2026 23:58:30 UTC, die Uhr zeigt 08.12.2026 00:00:00 UTC). Vielleicht geht die Uhr dieses "
              "Rechners falsch: Ist das Zertifikat in Ordnung, geht sie mindestens 90 Sekunden und höchstens "
              "2 Stunden vor. Ohne Prüfung des Gültigkeitszeitraums: --nts-ignore-cert-time");

    EXPECT_EQ(FailureText(Of(Kind::NtsCertificateExpired)),
              "Zertifikat des Servers nach der Uhr dieses Rechners abgelaufen. Vielleicht geht die Uhr dieses "
              "Rechners falsch. Ohne Prüfung des Gültigkeitszeitraums: --nts-ignore-cert-time")
        << "without the facts, no figures";
}

TEST(FailureText, WhatTheResponseSaidOrLacked)
{
    EXPECT_EQ(FailureText(Of(Kind::NtsResponseIncomplete)), "Antwort des Servers unvollständig");
    EXPECT_EQ(FailureText(WithCode(Kind::NtsServerErrorRecord, 0)),
              "Fehler-Record vom Server: 0 (unbekannter kritischer Record)");
    EXPECT_EQ(FailureText(WithCode(Kind::NtsServerErrorRecord, 1)), "Fehler-Record vom Server: 1 (ungültige Anfrage)");
    EXPECT_EQ(FailureText(WithCode(Kind::NtsServerErrorRecord, 2)),
              "Fehler-Record vom Server: 2 (interner Fehler des Servers)");
    EXPECT_EQ(FailureText(WithCode(Kind::NtsServerErrorRecord, 7)), "Fehler-Record vom Server: 7 (unbekannter Fehler)");
    EXPECT_EQ(FailureText(WithCode(Kind::NtsServerWarningRecord, 9)), "Warn-Record vom Server: 9 (unbekannt)");
    EXPECT_EQ(FailureText(Of(Kind::NtsNoProtocolChoice)), "Antwort ohne Protokollauswahl");
    EXPECT_EQ(FailureText(Of(Kind::NtsNoNtpV4)), "Server bietet NTPv4 mit NTS nicht an");
    EXPECT_EQ(FailureText(Of(Kind::NtsNoAeadChoice)), "Antwort ohne AEAD-Algorithmus");
    EXPECT_EQ(FailureText(Of(Kind::NtsNoAesSiv)), "Server unterstützt AEAD_AES_SIV_CMAC_256 nicht");
    EXPECT_EQ(FailureText(Of(Kind::NtsNoCookieReceived)), "keine Cookies erhalten");
}

TEST(FailureText, AMalformedResponseNamesItsProblem)
{
    const std::string head = "fehlerhafte Antwort des Servers: ";
    EXPECT_EQ(FailureText(Malformed(WithCode(Kind::NtsRecordBadLength, 7, 1))),
              head + "Record Typ 7 mit unzulässiger Länge 1");
    EXPECT_EQ(FailureText(Malformed(WithCode(Kind::NtsRecordRepeated, 4))), head + "Record Typ 4 mehrfach");
    EXPECT_EQ(FailureText(Malformed(WithCode(Kind::NtsRecordTooLong, 5, 256))),
              head + "Record Typ 5 länger als 256 Bytes");
    EXPECT_EQ(FailureText(Malformed(WithCode(Kind::NtsResponseTooLong, 0, 16384))),
              head + "Antwort länger als 16384 Bytes");
    EXPECT_EQ(FailureText(Malformed(Of(Kind::NtsBadServerName))), head + "ungültiger Name des NTP-Servers");
    EXPECT_EQ(FailureText(Malformed(Of(Kind::NtsPortZero))), head + "unzulässiger NTP-Port 0");
    EXPECT_EQ(FailureText(Malformed(WithCode(Kind::NtsUnknownCriticalRecord, 0x1234))),
              head + "unbekannter kritischer Record (Typ 4660)");
}

TEST(FailureText, ARequestThatCouldNotBeSealed)
{
    EXPECT_EQ(FailureText(Of(Kind::NtsCookiesUsedUp)), "keine NTS-Cookies mehr; ein neuer Schlüsselaustausch ist nötig");
    EXPECT_EQ(FailureText(Of(Kind::NtsNoRandomNumbers)), "keine Zufallszahlen für die NTS-Anfrage verfügbar");
    EXPECT_EQ(FailureText(Of(Kind::NtsNotSealed)), "NTS-Anfrage konnte nicht versiegelt werden");
    EXPECT_EQ(FailureText(FailureOf(Kind::NtsCookiesRefused, ErrorCode::ServerUnsynchronised)),
              "Der Server lehnt die NTS-Cookies ab (NTS-NAK) und hat nicht authentisch geantwortet, auch nach einem "
              "neuen Schlüsselaustausch");
}

TEST(FailureText, TheNtsStoresWarningsNameThePathAndWhy)
{
    const std::string folder = "/home/u/.local/state/brisvander/nts";
    const std::string file = folder + "/ab12-4460.nts";
    EXPECT_EQ(FailureText(StoreWarning(Kind::NtsStoreUnusable, folder, Kind::StoreOpenToOthers, 0755)),
              "NTS-Sitzungsspeicher " + folder + " nicht benutzt: für andere lesbar oder beschreibbar (Rechte 0755)");
    EXPECT_EQ(FailureText(StoreWarning(Kind::NtsStoreUnusable, folder, Kind::StoreSymbolicLink)),
              "NTS-Sitzungsspeicher " + folder + " nicht benutzt: symbolische Verknüpfung");
    EXPECT_EQ(FailureText(StoreWarning(Kind::NtsStoreUnusable, folder, Kind::StoreNotFolder)),
              "NTS-Sitzungsspeicher " + folder + " nicht benutzt: kein Ordner");
    EXPECT_EQ(FailureText(StoreWarning(Kind::NtsStoreUnusable, folder, Kind::StoreSystemError, 0, EIO)),
              "NTS-Sitzungsspeicher " + folder + " nicht benutzt: Systemfehler (" + std::strerror(EIO) + ")");

    const std::string fileHead = "Gespeicherte NTS-Sitzung " + file + " nicht benutzt: ";
    EXPECT_EQ(FailureText(StoreWarning(Kind::NtsStoredSessionUnusable, file, Kind::StoreOtherOwner, 65534)),
              fileHead + "gehört einem anderen Konto (UID 65534)");
    EXPECT_EQ(FailureText(StoreWarning(Kind::NtsStoredSessionUnusable, file, Kind::StoreOpenToOthers, 0644)),
              fileHead + "für andere lesbar oder beschreibbar (Rechte 0644)");
    EXPECT_EQ(FailureText(StoreWarning(Kind::NtsStoredSessionUnusable, file, Kind::StoreNotRegularFile)),
              fileHead + "keine gewöhnliche Datei");
    EXPECT_EQ(FailureText(StoreWarning(Kind::NtsStoredSessionUnusable, file, Kind::StoreFileDamaged)),
              fileHead + "unvollständig oder verändert");
    EXPECT_EQ(FailureText(StoreWarning(Kind::NtsStoredSessionUnusable, file, Kind::StoreFileForeign)),
              fileHead + "keine NTS-Sitzung dieses Programms für diesen Server");

    EXPECT_EQ(FailureText(StoreWarning(Kind::NtsSessionNotStored, folder, Kind::StoreSystemError, 0, ENOSPC)),
              "NTS-Sitzung nicht gespeichert, Sitzungsspeicher " + folder + ": Systemfehler (" +
                  std::strerror(ENOSPC) + ")");
    EXPECT_EQ(FailureText(FailureOf(Kind::NtsSessionOutOfBounds)),
              "NTS-Sitzung nicht gespeichert: Angaben außerhalb der Grenzen des Speichers");
}

TEST(FailureText, TheHistorysWarningSaysWhatTheFileIsLike)
{
    const std::pair<Kind, const char*> states[] = {
        {Kind::HistoryNoLocation, "kein Ordner für den Zustand"},
        {Kind::HistoryCannotOpen, "die Datei lässt sich nicht öffnen"},
        {Kind::HistoryBusy, "die Datei ist zu lange gesperrt"},
        {Kind::HistoryDamaged, "die Datei ist beschädigt"},
        {Kind::HistoryReadOnly, "die Datei ist schreibgeschützt"},
        {Kind::HistoryNewerSchema, "die Datei stammt von einer neueren Version"},
        {Kind::HistoryNotOpen, "die Datei ist nicht geöffnet"},
        {Kind::HistoryFailed, "Datenbankfehler"},
    };
    for (const auto& [state, words] : states) {
        Failure failure = FailureOf(Kind::HistoryNotWritten);
        failure.Cause = state;
        failure.Detail = "/tmp/history.sqlite";
        EXPECT_EQ(FailureText(failure),
                  std::string("Der Verlauf konnte nicht geschrieben werden (") + words + "): /tmp/history.sqlite");
        failure.Kind = Kind::HistoryNotRead;
        EXPECT_EQ(FailureText(failure),
                  std::string("Der Verlauf konnte nicht gelesen werden (") + words + "): /tmp/history.sqlite");
    }
}
