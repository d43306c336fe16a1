// The real brisvander-cli with --nts against chronyd as an NTS server on
// loopback: the report's added line, JSON, a kept session that makes the
// next run go without any connection, nts-forget, and a key exchange that
// fails.
#include "ChronydNtsServer.h"
#include "CliProcess.h"
#include "TcpRelay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace brisvander;
using namespace brisvander::ntstest;
using namespace brisvander::testsupport;

namespace {

QStringList NtsArgs(int keyExchangePort, const std::string& caFile)
{
    return {"--nts", "--nts-port", QString::number(keyExchangePort), "--nts-ca", QString::fromStdString(caFile)};
}

class CliNts : public ChronydNtsSuite {
protected:
    CliProcess m_cli;
};

// The first run's key exchange goes through a relay that counts connections;
// with the relay gone its port refuses, so the runs after it prove that a
// kept session needs none, over a whole series too.
TEST_F(CliNts, ASecondRunUsesTheKeptSessionAndMakesNoConnection)
{
    std::optional<TcpRelay> relay(std::in_place, s_chronyd->KeyExchangePort());
    const int port = relay->Port();
    ASSERT_NE(port, 0);
    const QStringList nts = NtsArgs(port, s_chronyd->CaFile());
    const std::string server = "localhost:" + std::to_string(port);

    const CliRun first = m_cli.Run(QStringList{"info", "localhost"} + nts);
    ASSERT_EQ(first.status, 0) << first.out.toStdString() << first.err.toStdString();
    EXPECT_TRUE(first.out.toStdString().ends_with("Die Zeit ist mit NTS authentifiziert (Schlüsselaustausch mit " +
                                                  server + ").\n\n"))
        << first.out.toStdString();
    EXPECT_EQ(relay->Connections(), 1);
    relay.reset();

    const QString folder = m_cli.StateHome() + "/brisvander/nts";
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    struct stat status {};
    ASSERT_EQ(stat(files[0].filePath().toLocal8Bit().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(folder.toLocal8Bit().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    const CliRun series =
        m_cli.Run(QStringList{"info", "localhost", "--json", "--samples", "8", "--interval", "0.2"} + nts);
    ASSERT_EQ(series.status, 0) << series.out.toStdString() << series.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(series.out).object();
    EXPECT_TRUE(o["nts"].toBool());
    EXPECT_EQ(o["nts_key_exchange"].toString(), "stored");
    EXPECT_EQ(o["nts_cookies_left"].toInt(), 8);
    EXPECT_EQ(o["nts_server"].toString().toStdString(), server);
    EXPECT_TRUE(o["nts_error"].isNull());
    EXPECT_EQ(o["port"].toInt(), s_chronyd->NtpPort()) << "the port the key exchange named, not --port's 123";
    EXPECT_EQ(o["samples"].toArray().size(), 8);
    for (const QJsonValue& sample : o["samples"].toArray())
        EXPECT_EQ(sample.toObject()["error"].toInt(-1), 0);
    EXPECT_LT(std::abs(o["clock_offset"].toDouble(1.0)), 0.001);

    const CliRun forget = m_cli.Run({"nts-forget", " localhost "});
    EXPECT_EQ(forget.status, 0) << forget.err.toStdString();
    EXPECT_EQ(forget.out, "Gespeicherte NTS-Sitzungen für localhost gelöscht: 1\n");
    const CliRun refused = m_cli.Run(QStringList{"info", "localhost"} + nts);
    EXPECT_EQ(refused.status, 1) << "nothing kept, and the relay's port refuses";
    EXPECT_TRUE(refused.out.contains("(Fehler Nr. 20004)\n")) << refused.out.toStdString();
}

TEST_F(CliNts, AnUntrustedServerEndsWith20004AndItsReason)
{
    // The CA left out: the system's trust store does not know the test authority.
    const CliRun run = m_cli.Run({"sync", "localhost", "--port", "5123", "--nts", "--nts-port",
                                  QString::number(s_chronyd->KeyExchangePort()), "--json"});
    EXPECT_EQ(run.status, 1) << run.out.toStdString() << run.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(o["error"].toInt(), 20004);
    EXPECT_FALSE(o["nts"].toBool(true));
    EXPECT_FALSE(o["nts_error"].toString().isEmpty());
    EXPECT_TRUE(o["clock_set"].isNull()) << "the clock was never tried";
    EXPECT_EQ(o["port"].toInt(), 5123) << "no key exchange named another port";
    EXPECT_TRUE(o["nts_key_exchange"].isNull());
    EXPECT_TRUE(o["nts_cookies_left"].isNull());
}

TEST_F(CliNts, ASurveySaysWhichServersAuthenticatedAndWhyOneCouldNot)
{
    const CliRun json = m_cli.Run(QStringList{"survey", "localhost", "127.0.0.1", "--json"} +
                                  NtsArgs(s_chronyd->KeyExchangePort(), s_chronyd->CaFile()));
    // Two answers are too few for a verdict.
    EXPECT_EQ(json.status, 3) << json.out.toStdString() << json.err.toStdString();
    for (const QJsonValue server : QJsonDocument::fromJson(json.out).object()["servers"].toArray()) {
        EXPECT_TRUE(server.toObject()["nts"].toBool()) << json.out.toStdString();
        EXPECT_EQ(server.toObject()["port"].toInt(), s_chronyd->NtpPort());
    }

    // Without the authority: a failure, never a fall-back to plain time.
    const CliRun text = m_cli.Run({"survey", "127.0.0.1", "--nts-auto", "--nts-port",
                                   QString::number(s_chronyd->KeyExchangePort()), "--port",
                                   QString::number(s_chronyd->NtpPort())});
    EXPECT_EQ(text.status, 1) << text.out.toStdString() << text.err.toStdString();
    EXPECT_NE(text.out.toStdString().find("\n127.0.0.1: Fehler Nr. 20004: "), std::string::npos)
        << text.out.toStdString();
}

// A program that gained a right at its start (here: set-group-id, as a file
// capability would) must not trust the authority its caller names.
TEST_F(CliNts, AProgramStartedWithARightIgnoresTheTrustStoreItsCallerNames)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "a set-group-id copy for a group of someone else's needs root";
    struct statvfs folder {};
    if (statvfs(m_cli.ConfigHome().toLocal8Bit().constData(), &folder) != 0 || (folder.f_flag & ST_NOSUID) != 0)
        GTEST_SKIP() << "the temporary folder ignores set-id bits";
    const QString copy = m_cli.ConfigHome() + "/brisvander-cli";
    ASSERT_TRUE(QFile::copy(CliProgram(), copy));
    const gid_t otherGroup = getegid() == 65534 ? 65533 : 65534;
    ASSERT_EQ(chown(copy.toLocal8Bit().constData(), static_cast<uid_t>(-1), otherGroup), 0);
    ASSERT_EQ(chmod(copy.toLocal8Bit().constData(), 02755), 0);

    QTemporaryDir emptyDirectory;
    m_cli.SetVariable("SSL_CERT_FILE", QString::fromStdString(s_chronyd->CaFile()));
    m_cli.SetVariable("SSL_CERT_DIR", emptyDirectory.path());
    const QStringList args = {"info", "localhost", "--nts", "--nts-port",
                              QString::number(s_chronyd->KeyExchangePort())};
    const CliRun trusting = m_cli.Run(args);
    EXPECT_EQ(trusting.status, 0) << "the variables name the test's authority\n" << trusting.out.toStdString();
    const CliRun withRight = m_cli.Run(copy, args);
    EXPECT_EQ(withRight.status, 1) << withRight.out.toStdString() << withRight.err.toStdString();
    EXPECT_TRUE(withRight.out.contains("(Fehler Nr. 20004)\n")) << withRight.out.toStdString();
    EXPECT_TRUE(withRight.out.contains("nicht vertrauenswürdig")) << withRight.out.toStdString();
}

} // namespace
