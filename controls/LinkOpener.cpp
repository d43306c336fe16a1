#include "LinkOpener.h"

#include "DefaultBrowser.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <array>

namespace brisvander {

namespace {

// "%1" is the original association's placeholder, %u %U %f %F are the
// desktop entry's, %s the one of the $BROWSER convention.
constexpr std::array<const char*, 6> kPlaceholders = {"%1", "%u", "%U", "%f", "%F", "%s"};

qsizetype EarliestPlaceholder(const QString& command, bool quoted)
{
    qsizetype best = -1;
    for (const char* placeholder : kPlaceholders) {
        const QString needle = quoted ? QStringLiteral("\"%1\"").arg(QLatin1String(placeholder))
                                      : QString::fromLatin1(placeholder);
        const qsizetype at = command.indexOf(needle);
        if (at >= 0 && (best < 0 || at < best))
            best = at;
    }
    return best;
}

// Field codes other than the file placeholders expand to nothing here.
bool IsOtherFieldCode(const QString& argument)
{
    static const QStringList codes = {"%i", "%c", "%k", "%d", "%D", "%n", "%N", "%v", "%m"};
    return codes.contains(argument);
}

QStringList SplitProgramPart(const QString& commandPart)
{
    QStringList arguments;
    for (QString argument : QProcess::splitCommand(commandPart)) {
        if (IsOtherFieldCode(argument))
            continue;
        arguments.append(argument.replace(QLatin1String("%%"), QLatin1String("%")));
    }
    return arguments;
}

QString ResolveProgram(const QString& program, int& failure)
{
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        if (!info.exists()) {
            failure = OpenCode::FileNotFound;
            return {};
        }
        if (!info.isExecutable() || info.isDir()) {
            failure = OpenCode::AccessDenied;
            return {};
        }
        return program;
    }
    const QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        failure = OpenCode::FileNotFound;
    return found;
}

class SystemDesktop final : public LinkDesktop {
public:
    int OpenWithDesktop(const QString& address, const QString& workingDirectory) override
    {
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (opener.isEmpty())
            return OpenCode::NoAssociation;
        return QProcess::startDetached(opener, {address}, workingDirectory) ? OpenCode::Started
                                                                            : OpenCode::AccessDenied;
    }

    std::optional<QString> BrowserCommand() override { return FindDefaultBrowserCommand(); }

    int StartDetached(const QStringList& arguments, const QString& workingDirectory) override
    {
        if (arguments.isEmpty())
            return OpenCode::FileNotFound;
        int failure = OpenCode::OutOfResources;
        const QString program = ResolveProgram(arguments.first(), failure);
        if (program.isEmpty())
            return failure;
        return QProcess::startDetached(program, arguments.mid(1), workingDirectory)
                   ? OpenCode::Started
                   : OpenCode::OutOfResources;
    }
};

// The original shell opened "www.host" as a web address; xdg-open would
// take it for a file name.
QString WithWebScheme(const QString& address)
{
    if (address.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return QStringLiteral("http://") + address;
    return address;
}

LinkDesktop* s_replacement = nullptr;

} // namespace

LinkDesktop& SystemLinkDesktop()
{
    static SystemDesktop desktop;
    return s_replacement != nullptr ? *s_replacement : desktop;
}

ScopedLinkDesktop::ScopedLinkDesktop(LinkDesktop& replacement) : m_previous(s_replacement)
{
    s_replacement = &replacement;
}

ScopedLinkDesktop::~ScopedLinkDesktop() { s_replacement = m_previous; }

std::optional<FallbackCommand> BuildFallbackCommand(const QString& registeredCommand,
                                                    const QString& address)
{
    qsizetype cut = EarliestPlaceholder(registeredCommand, true);
    if (cut < 0)
        cut = EarliestPlaceholder(registeredCommand, false);
    const QString programPart = cut < 0 ? registeredCommand : registeredCommand.left(cut);

    FallbackCommand command;
    command.arguments = SplitProgramPart(programPart);
    if (command.arguments.isEmpty() || command.arguments.first().isEmpty())
        return std::nullopt;
    command.arguments.append(address);
    command.commandLine = programPart + QLatin1Char(' ') + address;
    return command;
}

bool IsOpenableAddress(const QString& address)
{
    if (address.isEmpty() || address.startsWith(QLatin1Char('-')))
        return false;
    for (const QChar c : address) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

int OpenLink(const QString& address, LinkDesktop& desktop, const QString& workingDirectory)
{
    // A leading '-' would reach the browser as an option, and some browser
    // options start other programs.
    if (!IsOpenableAddress(address))
        return OpenCode::FileNotFound;
    const QString target = WithWebScheme(address);

    const int shellResult = desktop.OpenWithDesktop(target, workingDirectory);
    if (shellResult > 32)
        return shellResult;

    const std::optional<QString> registered = desktop.BrowserCommand();
    if (!registered)
        return shellResult;
    const std::optional<FallbackCommand> command = BuildFallbackCommand(*registered, target);
    if (!command)
        return shellResult;
    return desktop.StartDetached(command->arguments, workingDirectory);
}

int OpenLink(const QString& address)
{
    return OpenLink(address, SystemLinkDesktop());
}

} // namespace brisvander
