// The desktop program started with every capability of a user namespace of
// its own, CAP_SYS_TIME among them (the kernel keeps the machine's clock
// from that namespace): once Qt runs, none of the program's threads holds
// the right; only its clock helper keeps it, permitted and not in effect.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Bit 25 of the line Cap<set> of a /proc status file.
bool HoldsClockRight(const QString& statusPath, const QByteArray& set)
{
    QFile status(statusPath);
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("Cap" + set + ":"))
            return (line.mid(set.size() + 4).trimmed().toULongLong(nullptr, 16) >> 25 & 1) != 0;
    }
    return false;
}

TEST(ProgramStart, OnceQtRunsNoThreadOfTheProgramHoldsTheClockRight)
{
    QProcess probe;
    probe.start("unshare", {"-U", "-r", "true"});
    if (!probe.waitForFinished(5000) || probe.exitCode() != 0)
        GTEST_SKIP() << "user namespaces are off here";
    QTemporaryDir home;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", home.path());
    env.insert("XDG_STATE_HOME", home.path());
    program.setProcessEnvironment(env);
    program.start("unshare", {"-U", "-r", BRISVANDER_APP_PATH});
    ASSERT_TRUE(program.waitForStarted(5000));
    const QString self = QString("/proc/%1").arg(program.processId());
    // Qt starts threads of its own while it sets up the window.
    const auto threadsNow = [&self] { return QDir(self + "/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot); };
    for (int waited = 0; threadsNow().size() < 2 && waited < 10000; waited += 20)
        usleep(20000);
    const QStringList threads = threadsNow();
    QFile childrenFile(self + "/task/" + QString::number(program.processId()) + "/children");
    const QByteArray children = childrenFile.open(QIODevice::ReadOnly) ? childrenFile.readAll().trimmed() : "";
    QStringList held;
    for (const QString& thread : threads)
        for (const char* set : {"Eff", "Prm", "Inh", "Amb"})
            if (HoldsClockRight(self + "/task/" + thread + "/status", set))
                held << thread + " Cap" + set;
    const QString helper = "/proc/" + QString::fromLatin1(children) + "/status";
    const bool helperKeepsIt = HoldsClockRight(helper, "Prm") && !HoldsClockRight(helper, "Eff");
    program.kill();
    program.waitForFinished();

    ASSERT_GE(threads.size(), 2) << "Qt never started a thread";
    EXPECT_TRUE(held.isEmpty()) << held.join(", ").toStdString();
    EXPECT_TRUE(helperKeepsIt) << "no clock helper keeps the right: " << children.toStdString();
}

} // namespace
