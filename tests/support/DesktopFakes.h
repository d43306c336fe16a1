#pragma once
// Stand-ins for the desktop, so that no test starts a browser or an opener:
// one behind the link opener's interface, and a stand-in xdg-open program.
#include "LinkOpener.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <optional>
#include <utility>
#include <vector>

namespace brisvander::testsupport {

// Answers as told and writes down every call.
class FakeLinkDesktop final : public LinkDesktop {
public:
    int openResult = OpenCode::Started;
    std::optional<QString> browser;
    int startResult = OpenCode::Started;

    QStringList calls;                                // "open <address>", "browser", "start"
    std::vector<std::pair<QString, QString>> opened;  // address, working directory
    std::vector<QStringList> started;

    int OpenWithDesktop(const QString& address, const QString& workingDirectory) override
    {
        calls << QStringLiteral("open ") + address;
        opened.push_back({address, workingDirectory});
        return openResult;
    }
    std::optional<QString> BrowserCommand() override
    {
        calls << QStringLiteral("browser");
        return browser;
    }
    int StartDetached(const QStringList& arguments, const QString&) override
    {
        calls << QStringLiteral("start");
        started.push_back(arguments);
        return startResult;
    }
};

// Puts a stand-in xdg-open first on PATH that writes down its working
// directory and arguments, one call per file.
class FakeXdgOpen {
public:
    FakeXdgOpen() : m_savedPath(qgetenv("PATH"))
    {
        QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
        if (!script.open(QIODevice::WriteOnly))
            return;
        // Each call writes a new file, renamed into place once complete.
        script.write(QStringLiteral("#!/bin/sh\nout=\"%1/call-$$\"\n"
                                    "{ pwd; printf '%s\\n' \"$@\"; } > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n")
                         .arg(m_dir.path())
                         .toUtf8());
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", m_dir.path().toUtf8() + ':' + m_savedPath);
    }
    ~FakeXdgOpen() { qputenv("PATH", m_savedPath); }

    // The calls so far, each as working directory then arguments; waits up
    // to ten seconds for `count` of them.
    QList<QStringList> WaitForCalls(int count) const
    {
        QElapsedTimer waited;
        waited.start();
        QStringList files;
        do {
            files = QDir(m_dir.path()).entryList({QStringLiteral("call-*")}, QDir::Files, QDir::Time);
            files.removeIf([](const QString& name) { return name.endsWith(QLatin1String(".tmp")); });
            if (files.size() >= count)
                break;
            QThread::msleep(20);
        } while (waited.elapsed() < 10000);
        QList<QStringList> calls;
        for (const QString& name : files) {
            QFile file(m_dir.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                calls << QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        }
        return calls;
    }

private:
    QByteArray m_savedPath;
    QTemporaryDir m_dir;
};

} // namespace brisvander::testsupport
