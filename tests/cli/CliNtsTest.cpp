// The real brisvander-cli with --nts against chronyd as an NTS server on
// loopback: the report's added line, JSON, and a key exchange that fails.
#include "ChronydNtsSuite.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace brisvander;
using namespace brisvander::ntstest;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class CliNts : public ChronydNtsSuite {
protected:
    Outcome Cli(QStringList args, const QString& program = BRISVANDER_CLI_PATH,
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        env.insert("XDG_CONFIG_HOME", m_config.path());
        process.setProcessEnvironment(env);
        process.start(program, args);
        Outcome outcome;
        if (process.waitForFinished(20000))
            outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        outcome.out = process.readAllStandardOutput().toStdString();
        outcome.err = process.readAllStandardError().toStdString();
        return outcome;
    }
    static QStringList Nts(const QString& ca)
    {
        return {"--nts", "--nts-port", QString::number(s_chronyd->KeyExchangePort()), "--nts-ca", ca};
    }

    QTemporaryDir m_config;
};

TEST_F(CliNts, InfoSaysTheTimeWasAuthenticatedAndByWhom)
{
    const QString ca = QString::fromStdString(s_chronyd->CaFile());
    const Outcome text = Cli(QStringList{"info", "localhost"} + Nts(ca));
    ASSERT_EQ(text.status, 0) << text.out << text.err;
    const std::string line = "Die Zeit ist mit NTS authentifiziert (Schlüsselaustausch mit localhost:" +
                             std::to_string(s_chronyd->KeyExchangePort()) + ").\n";
    ASSERT_GE(text.out.size(), line.size() + 1);
    EXPECT_EQ(text.out.substr(text.out.size() - line.size() - 1), line + "\n") << text.out;

    const Outcome json = Cli(QStringList{"info", "localhost", "--json", "--samples", "2", "--interval", "0.2"} +
                             Nts(ca));
    ASSERT_EQ(json.status, 0) << json.out << json.err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
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
    const Outcome run = Cli({"sync", "localhost", "--port", "5123", "--nts", "--nts-port",
                             QString::number(s_chronyd->KeyExchangePort()), "--json"});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    EXPECT_EQ(o["error"].toInt(), 20004);
    EXPECT_FALSE(o["nts"].toBool(true));
    EXPECT_FALSE(o["nts_error"].toString().isEmpty());
    EXPECT_TRUE(o["clock_set"].isNull()) << "the clock was never tried";
    EXPECT_EQ(o["port"].toInt(), 5123) << "no key exchange named another port";
}

// A program that gained a right at its start (here: set-group-id, as a file
// capability would) must not trust the authority its caller names.
TEST_F(CliNts, AProgramStartedWithARightIgnoresTheTrustStoreItsCallerNames)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "a set-group-id copy for a group of someone else's needs root";
    struct statvfs folder {};
    if (statvfs(m_config.path().toLocal8Bit().constData(), &folder) != 0 || (folder.f_flag & ST_NOSUID) != 0)
        GTEST_SKIP() << "the temporary folder ignores set-id bits";
    const QString copy = m_config.filePath("brisvander-cli");
    ASSERT_TRUE(QFile::copy(BRISVANDER_CLI_PATH, copy));
    const gid_t otherGroup = getegid() == 65534 ? 65533 : 65534;
    ASSERT_EQ(chown(copy.toLocal8Bit().constData(), static_cast<uid_t>(-1), otherGroup), 0);
    ASSERT_EQ(chmod(copy.toLocal8Bit().constData(), 02755), 0);

    QTemporaryDir emptyDirectory;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SSL_CERT_FILE", QString::fromStdString(s_chronyd->CaFile()));
    env.insert("SSL_CERT_DIR", emptyDirectory.path());
    const QStringList args = {"info", "localhost", "--nts", "--nts-port",
                              QString::number(s_chronyd->KeyExchangePort())};
    const Outcome trusting = Cli(args, BRISVANDER_CLI_PATH, env);
    EXPECT_EQ(trusting.status, 0) << "the variables name the test's authority\n" << trusting.out << trusting.err;
    const Outcome withRight = Cli(args, copy, env);
    EXPECT_EQ(withRight.status, 1) << withRight.out << withRight.err;
    EXPECT_NE(withRight.out.find("(Fehler Nr. 20004)\n"), std::string::npos) << withRight.out;
    EXPECT_NE(withRight.out.find("nicht vertrauenswürdig"), std::string::npos) << withRight.out;
}

} // namespace
