#include "PrivateBus.h"

#include <QFile>
#include <QStandardPaths>

namespace brisvander::testsupport {

namespace {
constexpr int StartLimitMs = 10000;

QByteArray BusConfiguration(const QString& socketPath)
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <listen>unix:path=" + socketPath.toUtf8() + "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow user=\"*\"/>\n"
           "    <allow own=\"*\"/>\n"
           "    <allow send_destination=\"*\"/>\n"
           "    <allow receive_sender=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
}

void End(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

// Reads one line of standard output, or nothing within the limit.
QByteArray FirstLine(QProcess& process)
{
    while (!process.canReadLine()) {
        if (process.state() == QProcess::NotRunning || !process.waitForReadyRead(StartLimitMs))
            return {};
    }
    return process.readLine().trimmed();
}
} // namespace

PrivateBus::~PrivateBus() { End(m_daemon); }

bool PrivateBus::Start(std::string& whyNot)
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        whyNot = "dbus-daemon is not installed (Debian package dbus-daemon)";
        return false;
    }
    if (!m_folder.isValid()) {
        whyNot = "no temporary folder";
        return false;
    }
    QFile config(m_folder.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly) || config.write(BusConfiguration(m_folder.filePath("bus"))) < 0) {
        whyNot = "cannot write the bus configuration";
        return false;
    }
    config.close();
    m_daemon.start(daemon, {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
    m_address = QString::fromUtf8(FirstLine(m_daemon));
    if (m_address.isEmpty()) {
        whyNot = "dbus-daemon did not start: " + m_daemon.readAllStandardError().toStdString();
        End(m_daemon);
        return false;
    }
    return true;
}

QString PrivateBus::NowhereAddress() const
{
    return "unix:path=" + m_folder.filePath(QStringLiteral("nobody-listens-here"));
}

TimedatedDouble::~TimedatedDouble() { Stop(); }

QString TimedatedDouble::ProgramPath() { return QStringLiteral(BRISVANDER_TIMEDATE1_DOUBLE_PATH); }

bool TimedatedDouble::Start(const QString& busAddress, const QStringList& answers, std::string& whyNot)
{
    if (!m_folder.isValid()) {
        whyNot = "no temporary folder";
        return false;
    }
    m_program.start(ProgramPath(), QStringList{busAddress, m_folder.filePath("calls")} + answers);
    if (FirstLine(m_program) != "ready") {
        whyNot = "timedate1-double did not start: " + m_program.readAllStandardError().toStdString();
        End(m_program);
        return false;
    }
    return true;
}

void TimedatedDouble::Stop() { End(m_program); }

std::vector<TimedatedDouble::Call> TimedatedDouble::Calls() const
{
    std::vector<Call> calls;
    QFile record(m_folder.filePath("calls"));
    if (!record.open(QIODevice::ReadOnly))
        return calls;
    for (const QByteArray& line : record.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 2 || fields[0] != "SetTime")
            continue;
        Call call;
        call.Signature = QString::fromUtf8(fields[1]);
        if (fields.size() != 6) { // other arguments than asked for: the signature tells
            calls.push_back(call);
            continue;
        }
        call.Microseconds = fields[2].toLongLong();
        call.Relative = fields[3] == "true";
        call.Interactive = fields[4] == "true";
        call.InteractiveAuthorizationAllowed = fields[5] == "allow-interactive";
        calls.push_back(call);
    }
    return calls;
}

} // namespace brisvander::testsupport
