#pragma once
// The "Hilfe" command: opens the manual beside the program, or offers its
// page on the web when it is missing.
#include <QString>

class QWidget;

namespace brisvander {

// Same path as the manual beside the program.
inline constexpr const char* ManualWebAddress = "http://www.quillmade.de/brisvander.html";
inline constexpr const char* ManualFileName = "/brisvander.html";
// Where an installed program finds it: <prefix>/share/brisvander/, seen from <prefix>/bin.
inline constexpr const char* InstalledManualPath = "/../share/brisvander/brisvander.html";

// What the help command needs from the desktop; tests replace it.
class HelpDesktop {
public:
    virtual ~HelpDesktop() = default;
    virtual QString ProgramFilePath() = 0;
    virtual bool CanRead(const QString& path) = 0;
    // Opens a document with its desktop program; a start code, success
    // above 32. A program that starts and then fails counts as success.
    virtual int OpenDocument(const QString& path, const QString& workingDirectory) = 0;
    // Yes/No question; true for "Ja".
    virtual bool AskYesNo(const QString& question) = 0;
    // A message with an OK button.
    virtual void ShowMessage(const QString& text) = 0;
    virtual int OpenLink(const QString& address) = 0;
};

// The program file's path cut before its last '/'; empty without one.
QString ProgramDirectoryOf(const QString& programFilePath);

QString MissingManualQuestion(const QString& manualPath);
// What the user reads when no program can show the manual at `manualPath`.
QString ManualNotOpenedMessage(const QString& manualPath);

void OnHelpManual(HelpDesktop& desktop);
// With the real desktop; the question's message box is owned by owner.
// Needs the GUI build.
void OnHelpManual(QWidget* owner);

} // namespace brisvander
