#pragma once
// Opens a web address or mailto: link with the desktop's opener; when that
// fails, with the command line of the default browser. Nothing here passes
// through a shell: every command is split into arguments and the address is
// always exactly one of them.
#include <QString>
#include <QStringList>

#include <optional>

namespace brisvander {

// Start codes in the original platform's numbering: success is above 32.
namespace OpenCode {
constexpr int OutOfResources = 0;
constexpr int FileNotFound = 2;     // SE_ERR_FNF / the program to start is missing
constexpr int AccessDenied = 5;     // SE_ERR_ACCESSDENIED
constexpr int NoAssociation = 31;   // SE_ERR_NOASSOC: no opener on this desktop
constexpr int Started = 42;         // any value above 32 means success
} // namespace OpenCode

// The desktop operations OpenLink relies on; tests replace them.
class LinkDesktop {
public:
    virtual ~LinkDesktop() = default;
    // The desktop's "open" for a document or address; a start code.
    virtual int OpenWithDesktop(const QString& address, const QString& workingDirectory) = 0;
    // The default text/html handler's command line, with its placeholder;
    // nothing when no handler is registered or it cannot be read.
    virtual std::optional<QString> BrowserCommand() = 0;
    // Starts arguments[0] with the rest as its arguments, without waiting.
    virtual int StartDetached(const QStringList& arguments, const QString& workingDirectory) = 0;
};

// The desktop this program runs on: xdg-open, mimeapps.list / $BROWSER,
// QProcess::startDetached; or the one a ScopedLinkDesktop put in its place.
LinkDesktop& SystemLinkDesktop();

// Puts another desktop behind OpenLink(address), the hyperlink labels and the
// help command while it lives, so tests of the windows start no browser.
class ScopedLinkDesktop {
public:
    explicit ScopedLinkDesktop(LinkDesktop& replacement);
    ~ScopedLinkDesktop();
    ScopedLinkDesktop(const ScopedLinkDesktop&) = delete;
    ScopedLinkDesktop& operator=(const ScopedLinkDesktop&) = delete;

private:
    LinkDesktop* m_previous;
};

struct FallbackCommand {
    QString commandLine;    // the registered command cut at its placeholder, a blank and the address
    QStringList arguments;  // the same, split; the address is the last argument, whole
};

// Builds the browser's command line for the address. The placeholder is
// looked for quoted first ("%1", "%u", ...), then bare; it and everything
// after it are dropped. Nothing when no program remains to start.
std::optional<FallbackCommand> BuildFallbackCommand(const QString& registeredCommand,
                                                    const QString& address);

// True for addresses that are handed to another program: not empty, not
// taken for an option (leading '-'), no control characters.
bool IsOpenableAddress(const QString& address);

// Returns the start code: above 32 when the address was handed to a program.
int OpenLink(const QString& address, LinkDesktop& desktop, const QString& workingDirectory = {});
int OpenLink(const QString& address);

} // namespace brisvander
