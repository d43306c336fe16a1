#pragma once
// A message bus of the test's own: dbus-daemon with a generated configuration
// in a temporary folder, no service activation, open to every account. Tests
// point the programs at it instead of the machine's system bus.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace brisvander::testsupport {

class PrivateBus {
public:
    PrivateBus() = default;
    ~PrivateBus(); // ends the daemon
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Returns once the bus takes connections; false with a reason otherwise.
    bool Start(std::string& whyNot);
    QString Address() const { return m_address; }
    // A socket that does not exist: a bus address with nobody behind it.
    QString NowhereAddress() const;

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
};

// The timedate1-double program on a bus: it answers SetTime as told and
// writes down what it received.
class TimedatedDouble {
public:
    struct Call {
        QString Signature;
        qint64 Microseconds = 0;
        bool Relative = false;
        bool Interactive = false;
        bool InteractiveAuthorizationAllowed = false; // the message's flag
    };

    TimedatedDouble() = default;
    ~TimedatedDouble(); // ends the program
    TimedatedDouble(const TimedatedDouble&) = delete;
    TimedatedDouble& operator=(const TimedatedDouble&) = delete;

    // `answers`: "ok", "never", "exit" (the double ends without answering)
    // or a D-Bus error name, each with an optional "@MS" delay; the n-th
    // call gets the n-th, later calls the last.
    // Returns once the double owns its name on the bus.
    bool Start(const QString& busAddress, const QStringList& answers, std::string& whyNot);
    void Stop();
    std::vector<Call> Calls() const;

    static QString ProgramPath();

private:
    QTemporaryDir m_folder;
    QProcess m_program;
};

} // namespace brisvander::testsupport
