#include "DefaultBrowser.h"

#include <QFile>
#include <QStandardPaths>

namespace brisvander {

namespace {

constexpr const char* kHtmlType = "text/html";

QString ReadSmallTextFile(const QString& path)
{
    QFile file(path);
    // Configuration files are small; a huge one is not a configuration file.
    if (!file.open(QIODevice::ReadOnly) || file.size() > (1 << 20))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList MimeAppsLists()
{
    QStringList lists;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        lists << dir + QStringLiteral("/mimeapps.list");
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        lists << dir + QStringLiteral("/applications/mimeapps.list");
    return lists;
}

QStringList MimeInfoCaches()
{
    QStringList caches;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        caches << dir + QStringLiteral("/applications/mimeinfo.cache");
    return caches;
}

QString ExecOfDesktopId(const QString& desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(QLatin1Char('/')))
        return {};
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString text = ReadSmallTextFile(dir + QStringLiteral("/applications/") + desktopId);
        const QString exec = ReadIniValue(text, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
        if (!exec.trimmed().isEmpty())
            return UnescapeDesktopString(exec);
    }
    return {};
}

QString FirstExecListed(const QStringList& files, const QString& section)
{
    for (const QString& file : files) {
        const QString ids = ReadIniValue(ReadSmallTextFile(file), section, QString::fromLatin1(kHtmlType));
        for (const QString& id : ids.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString exec = ExecOfDesktopId(id.trimmed());
            if (!exec.isEmpty())
                return exec;
        }
    }
    return {};
}

} // namespace

QString ReadIniValue(const QString& text, const QString& section, const QString& key)
{
    bool inSection = false;
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line == QLatin1Char('[') + section + QLatin1Char(']');
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inSection && equals > 0 && line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return {};
}

QString UnescapeDesktopString(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += c; out += next; break;  // a quoting escape, left for the splitter
        }
    }
    return out;
}

std::optional<QString> FindDefaultBrowserCommand()
{
    QString command = FirstExecListed(MimeAppsLists(), QStringLiteral("Default Applications"));
    if (command.isEmpty())
        command = FirstExecListed(MimeInfoCaches(), QStringLiteral("MIME Cache"));
    if (command.isEmpty())
        command = qEnvironmentVariable("BROWSER").section(QLatin1Char(':'), 0, 0).trimmed();
    if (command.isEmpty())
        return std::nullopt;
    return command;
}

} // namespace brisvander
