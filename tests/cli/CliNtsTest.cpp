// The real brisvander-cli with --nts against chronyd as an NTS server on
// loopback: the report's added line, JSON, and a key exchange that fails.
#include "ChronydNtsServer.h"
#include "CliProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace brisvander;
using namespace brisvander::ntstest;
using namespace brisvander::testsupport;

namespace {

class CliNts : public ChronydNtsSuite {
protected:
    static QStringList Nts(const QString& ca)
    {
        return {"--nts", "--nts-port", QString::number(s_chronyd->KeyExchangePort()), "--nts-ca", ca};
    }

    CliProcess m_cli;
};

TEST_F(CliNts, InfoSaysTheTimeWasAuthenticatedAndByWhom)
{
    const QString ca = QString::fromStdString(s_chronyd->CaFile());
    const CliRun text = m_cli.Run(QStringList{"info", "localhost"} + Nts(ca));
    ASSERT_EQ(text.status, 0) << text.out.toStdString() << text.err.toStdString();
    const std::string line = "Die Zeit ist mit NTS authentifiziert (Schlüsselaustausch mit localhost:" +
                             std::to_string(s_chronyd->KeyExchangePort()) + ").\n\n";
    EXPECT_TRUE(text.out.toStdString().ends_with(line)) << text.out.toStdString();

    const CliRun json =
        m_cli.Run(QStringList{"info", "localhost", "--json", "--samples", "2", "--interval", "0.2"} + Nts(ca));
    ASSERT_EQ(json.status, 0) << json.out.toStdString() << json.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(json.out).object();
    EXPECT_TRUE(o["nts"].toBool());
    EXPECT_EQ(o["nts_server"].toString().toStdString(),
              "localhost:" + std::to_string(s_chronyd->KeyExchangePort()));
    EXPECT_TRUE(o["nts_error"].isNull());
    EXPECT_EQ(o["port"].toInt(), s_chronyd->NtpPort()) << "the port the key exchange named, not --port's 123";
    EXPECT_LT(std::abs(o["clock_offset"].toDouble(1.0)), 0.001);
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
}

TEST_F(CliNts, ASurveySaysWhichServersAuthenticatedAndWhyOneCouldNot)
{
    const QString ca = QString::fromStdString(s_chronyd->CaFile());
    const CliRun json = m_cli.Run(QStringList{"survey", "localhost", "127.0.0.1", "--json"} + Nts(ca));
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
