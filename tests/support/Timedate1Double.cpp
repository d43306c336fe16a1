// A stand-in for systemd-timedated on a private bus: answers SetTime as told
// and writes down every call it receives. It sets no clock.
//
// Usage: timedate1-double BUS-ADDRESS RECORD-FILE ANSWER...
//   ANSWER is "ok", "never", "exit" (end without answering), or a D-Bus
//   error name, each with an optional "@MS" to answer MS milliseconds late. The n-th call gets the n-th answer,
//   every later call the last one.
// Prints "ready" once it owns org.freedesktop.timedate1; runs until ended.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const QString Interface = QStringLiteral("org.freedesktop.timedate1");

struct Answer {
    QString What; // "ok", "never" or an error name
    int DelayMs = 0;
};

Answer ParseAnswer(const QString& text)
{
    const qsizetype at = text.indexOf('@');
    if (at < 0)
        return {text, 0};
    return {text.left(at), text.mid(at + 1).toInt()};
}

class Timedate1 final : public QDBusVirtualObject {
public:
    Timedate1(QString recordPath, std::vector<Answer> answers)
        : m_recordPath(std::move(recordPath)), m_answers(std::move(answers))
    {
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != Interface || message.member() != QLatin1String("SetTime"))
            return false;
        Record(message);
        const Answer& answer = m_answers[std::min(m_calls++, m_answers.size() - 1)];
        if (answer.What == QLatin1String("never"))
            return true;
        if (answer.What == QLatin1String("exit")) {
            QTimer::singleShot(answer.DelayMs, [] { std::_Exit(0); });
            return true;
        }
        const QDBusMessage reply = answer.What == QLatin1String("ok")
                                       ? message.createReply()
                                       : message.createErrorReply(answer.What, QStringLiteral("as the test said"));
        QTimer::singleShot(answer.DelayMs, [connection, reply] { QDBusConnection(connection).send(reply); });
        return true;
    }

    QString introspect(const QString&) const override
    {
        return QStringLiteral("<interface name=\"org.freedesktop.timedate1\"><method name=\"SetTime\">"
                              "<arg type=\"x\" direction=\"in\"/><arg type=\"b\" direction=\"in\"/>"
                              "<arg type=\"b\" direction=\"in\"/></method></interface>");
    }

private:
    // One line per call: signature, then the arguments, then whether the
    // message allowed interactive authorisation.
    void Record(const QDBusMessage& message)
    {
        QStringList fields{QStringLiteral("SetTime"), message.signature()};
        for (const QVariant& argument : message.arguments())
            fields << argument.toString();
        fields << (message.isInteractiveAuthorizationAllowed() ? QStringLiteral("allow-interactive")
                                                                : QStringLiteral("no-interactive"));
        QFile record(m_recordPath);
        if (record.open(QIODevice::Append))
            record.write((fields.join(' ') + '\n').toUtf8());
    }

    QString m_recordPath;
    std::vector<Answer> m_answers;
    std::size_t m_calls = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        std::fputs("usage: timedate1-double BUS-ADDRESS RECORD-FILE ANSWER...\n", stderr);
        return 64;
    }
    std::vector<Answer> answers;
    for (qsizetype i = 3; i < args.size(); ++i)
        answers.push_back(ParseAnswer(args[i]));

    QDBusConnection bus = QDBusConnection::connectToBus(args[1], QStringLiteral("timedate1-double"));
    if (!bus.isConnected()) {
        std::fprintf(stderr, "timedate1-double: no bus at %s\n", qPrintable(args[1]));
        return 1;
    }
    Timedate1 service(args[2], std::move(answers));
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/timedate1"), &service) ||
        !bus.registerService(Interface)) {
        std::fputs("timedate1-double: cannot register org.freedesktop.timedate1\n", stderr);
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
