// The desktop program started with every capability of a user namespace of
// its own, CAP_SYS_TIME among them (the kernel keeps the machine's clock
// from that namespace): once Qt runs, none of its threads holds the right;
// only its clock helper keeps it, permitted and not in effect.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Bit 25 of the line Cap<set> of a /proc status file.
bool HoldsClockRight(const QString& status, const QByteArray& set)
{
    QFile file(status);
    const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const qsizetype at = text.indexOf("Cap" + set + ":");
    return at >= 0 && (text.mid(at + 7, 18).trimmed().toULongLong(nullptr, 16) >> 25 & 1) != 0;
}

TEST(ProgramStart, OnceQtRunsNoThreadOfTheProgramHoldsTheClockRight)
{
    if (QProcess::execute("unshare", {"-U", "-r", "true"}) != 0)
        GTEST_SKIP() << "user namespaces are off here";
    qputenv("XDG_STATE_HOME", qgetenv("XDG_CONFIG_HOME")); // offscreen, settings aside: as this test
    QProcess program;
    program.start("unshare", {"-U", "-r", BRISVANDER_APP_PATH});
    ASSERT_TRUE(program.waitForStarted(5000));
    const QString self = QString("/proc/%1").arg(program.processId());
    const auto threads = [&self] { return QDir(self + "/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot); };
    for (int waited = 0; threads().size() < 2 && waited < 10000; waited += 20)
        usleep(20000); // Qt starts threads of its own as it sets up the window
    QStringList held;
    for (const QString& thread : threads())
        for (const char* set : {"Eff", "Prm", "Inh", "Amb"})
            if (HoldsClockRight(self + "/task/" + thread + "/status", set))
                held << thread + " Cap" + set;
    QFile children(self + "/task/" + QString::number(program.processId()) + "/children");
    const QString helper = "/proc/" + (children.open(QIODevice::ReadOnly) ? children.readAll().trimmed() : "") + "/status";
    EXPECT_TRUE(HoldsClockRight(helper, "Prm") && !HoldsClockRight(helper, "Eff")) << "no clock helper keeps it";
    EXPECT_GE(threads().size(), 2) << "Qt never started a thread";
    program.kill();
    program.waitForFinished();
    EXPECT_TRUE(held.isEmpty()) << held.join(", ").toStdString();
}

} // namespace
