// The whole client side against chronyd as an NTS server on loopback: key
// exchange, then sealed NTP requests over UDP and the replies checked.
#include "ChronydNtsServer.h"
#include "ErrorCodes.h"
#include "FailureKinds.h"
#include "RecordingClockControl.h"
#include "TimeCommand.h"
#include "LocalNameLookup.h"
#include "NtsKeClient.h"
#include "NtpExtensionFields.h"
#include "NtsPacket.h"

#include <cmath>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace brisvander;
using namespace brisvander::ntstest;
using namespace brisvander::testsupport;

namespace {
using Clock = std::chrono::steady_clock;

struct Exchange {
    Bytes Header;
    Bytes Reply;
    NtsReplyCheck Check;
};

Bytes ClientHeader()
{
    Bytes header(NtpHeaderSize, 0);
    header[0] = 0x23;
    for (int i = 40; i < 48; ++i)
        header[i] = static_cast<std::uint8_t>(0x50 + i); // transmit timestamp, echoed as originate
    return header;
}

// Sends one sealed request and waits up to 2 s for a datagram that is not NotOurs.
Exchange SendSealed(int port, NtsSession& session, std::size_t placeholders)
{
    Exchange exchange;
    exchange.Header = ClientHeader();
    const NtsSealedRequest request = SealRequest(exchange.Header, session, placeholders);
    EXPECT_EQ(KindOf(request.Problem), std::nullopt);
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    server.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0 ||
        send(fd, request.Packet.data(), request.Packet.size(), 0) != static_cast<ssize_t>(request.Packet.size())) {
        ADD_FAILURE() << "cannot send to 127.0.0.1:" << port;
        if (fd >= 0)
            close(fd);
        return exchange;
    }
    const auto limit = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < limit) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 100) <= 0)
            continue;
        Bytes buffer(NtsReplyBufferSize);
        const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
        if (got <= 0)
            continue;
        buffer.resize(static_cast<std::size_t>(got));
        exchange.Check = CheckReply(buffer, request.Pending, session);
        exchange.Reply = std::move(buffer);
        if (exchange.Check.Verdict != NtsReplyVerdict::NotOurs)
            break;
    }
    close(fd);
    return exchange;
}

class ChronydNts : public ChronydNtsSuite {
protected:
    static void SetUpTestSuite()
    {
        testsupport::KeepNameLookupsLocal();
        ChronydNtsSuite::SetUpTestSuite();
    }

    static Expected<NtsSession> KeyExchange()
    {
        NtsKeOptions options;
        options.Host = "localhost";
        options.Port = static_cast<std::uint16_t>(s_chronyd->KeyExchangePort());
        options.ExtraCaFile = s_chronyd->CaFile();
        options.Deadline = Clock::now() + NtsKeTimeout;
        return RunNtsKeyExchange(options);
    }
};
// Info and Abgleichen through the command, as both programs run them.
TimeCommandOptions CommandOptions(const ChronydNtsServer& chronyd)
{
    TimeCommandOptions options;
    options.Nts.Enabled = true;
    options.Nts.KeyExchangePort = static_cast<std::uint16_t>(chronyd.KeyExchangePort());
    options.Nts.ExtraCaFile = chronyd.CaFile();
    return options;
}

TEST_F(ChronydNts, AbgleichenWithNtsStepsByTheAuthenticatedOffsetAndSaysWhoVouched)
{
    RecordingClockControl clock;
    SntpClient client(clock);
    // The NTP port comes from the key exchange; the one given here must not be used.
    const TimeCommandOutcome outcome = RunTimeCommand(ReportCommand::Sync, "localhost", 9, client, CommandOptions(*s_chronyd));
    ASSERT_TRUE(outcome.QuerySucceeded) << "error " << outcome.Error << ": " << outcome.NtsFailure;
    EXPECT_TRUE(outcome.Authenticated);
    EXPECT_LE(std::abs(outcome.Result.ClockOffset), outcome.Result.RoundtripDelay / 2 + 1e-4);
    const std::string server = "localhost:" + std::to_string(s_chronyd->KeyExchangePort());
    EXPECT_EQ(outcome.Report, ReportPreamble(ReportCommand::Sync, "localhost") + ReportSuccessBody(outcome.Result) +
                                  "Die Zeit ist mit NTS authentifiziert (Schlüsselaustausch mit " + server + ").\n" +
                                  "Zeit erfolgreich mit Zeitserver synchronisiert.\n\nOK.");
    ASSERT_EQ(clock.Of(RecordingClockControl::Call::Step).size(), 1u);
}

// Untrusted, or trusted for other names: chronyd answers on ::1 too, but its
// certificate names localhost and 127.0.0.1 only, and in brackets ::1 is the
// same address, so the certificate, not the name, is what fails.
TEST_F(ChronydNts, AServerTheCertificateDoesNotVouchForFailsTheKeyExchangeAndSetsNothing)
{
    RecordingClockControl clock;
    SntpClient client(clock);
    TimeCommandOptions untrusted = CommandOptions(*s_chronyd);
    untrusted.Nts.ExtraCaFile.clear();
    const TimeCommandOutcome outcome = RunTimeCommand(ReportCommand::Sync, "localhost", 123, client, untrusted);
    EXPECT_FALSE(outcome.QuerySucceeded);
    EXPECT_EQ(outcome.Error, ErrorCode::KeyExchangeFailed);
    EXPECT_FALSE(outcome.NtsFailure.empty());
    // No hint that the server may lack NTS: it has it, the trust is missing.
    EXPECT_EQ(outcome.Report, ReportPreamble(ReportCommand::Sync, "localhost") +
                                  "Fehler, konnte keine Zeit vom NTP Server erhalten.\n\t\tAnderen wählen oder nochmal "
                                  "versuchen.\n(Fehler Nr. 20004)\n" +
                                  outcome.NtsFailure + "\n\nOK.");
    for (const char* host : {"::1", "[::1]"}) {
        const TimeCommandOutcome misnamed =
            RunTimeCommand(ReportCommand::Sync, host, 123, client, CommandOptions(*s_chronyd));
        EXPECT_EQ(misnamed.Error, ErrorCode::KeyExchangeFailed) << host;
        EXPECT_NE(misnamed.NtsFailure.find("Zertifikat"), std::string::npos) << misnamed.NtsFailure;
    }
    EXPECT_TRUE(clock.records.empty());
}

} // namespace

TEST_F(ChronydNts, KeyExchangeGivesCookiesAndTheNtpPort)
{
    const Expected<NtsSession> result = KeyExchange();
    ASSERT_TRUE(result.Ok()) << result.Error();
    EXPECT_EQ(result.Value().Cookies.size(), NtsMaxCookies);
    EXPECT_EQ(result.Value().NtpPort, s_chronyd->NtpPort());
    EXPECT_EQ(result.Value().ClientToServerKey.size(), 32u);
    RecordProperty("cookie_bytes", static_cast<int>(result.Value().Cookies.front().size()));
}

TEST_F(ChronydNts, SealedRequestGetsAnAuthenticReplyWithNewCookies)
{
    Expected<NtsSession> result = KeyExchange();
    ASSERT_TRUE(result.Ok()) << result.Error();
    NtsSession& session = result.Value();
    session.Cookies.resize(4); // room for all that come back
    const Exchange e = SendSealed(session.NtpPort, session, 2);
    ASSERT_EQ(e.Check.Verdict, NtsReplyVerdict::Authentic) << e.Check.Why;
    EXPECT_EQ(e.Check.CookiesAdded, 3u) << "one for the cookie sent, one per placeholder";
    EXPECT_EQ(session.Cookies.size(), 6u);
    ASSERT_GE(e.Reply.size(), NtpHeaderSize);
    EXPECT_EQ(e.Reply[0] & 0x07, 4) << "server mode";
    EXPECT_EQ(e.Reply[1], 3) << "chronyd's local stratum";
    EXPECT_TRUE(std::equal(e.Header.begin() + 40, e.Header.end(), e.Reply.begin() + 24)) << "originate = our transmit";
}

TEST_F(ChronydNts, CookiesFromRepliesCarryLaterExchanges)
{
    Expected<NtsSession> result = KeyExchange();
    ASSERT_TRUE(result.Ok()) << result.Error();
    NtsSession& session = result.Value();
    // Twelve exchanges use up more than the eight cookies of the key exchange.
    for (int i = 0; i < 12; ++i) {
        const Exchange e = SendSealed(session.NtpPort, session, 0);
        ASSERT_EQ(e.Check.Verdict, NtsReplyVerdict::Authentic) << "exchange " << i << ": " << e.Check.Why;
        EXPECT_EQ(session.Cookies.size(), NtsMaxCookies);
    }
}

TEST_F(ChronydNts, CookieTheServerCannotReadBringsANak)
{
    Expected<NtsSession> result = KeyExchange();
    ASSERT_TRUE(result.Ok()) << result.Error();
    NtsSession& session = result.Value();
    Bytes& cookie = session.Cookies.front();
    cookie[cookie.size() / 2] ^= 0xFF;
    const Exchange e = SendSealed(session.NtpPort, session, 0);
    EXPECT_EQ(e.Check.Verdict, NtsReplyVerdict::Nak) << e.Check.Why;
}

TEST_F(ChronydNts, KeysOfAnotherSessionDoNotOpenTheReply)
{
    Expected<NtsSession> first = KeyExchange();
    Expected<NtsSession> second = KeyExchange();
    ASSERT_TRUE(first.Ok() && second.Ok());
    NtsSession mixed = first.Value();
    mixed.ServerToClientKey = second.Value().ServerToClientKey;
    const Exchange e = SendSealed(mixed.NtpPort, mixed, 0);
    EXPECT_EQ(e.Check.Verdict, NtsReplyVerdict::NotOurs);
    EXPECT_EQ(std::string(e.Check.Why), "authenticator does not verify");
}
