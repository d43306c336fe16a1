#include "HelpLauncher.h"

#include "CommandIds.h"
#include "ResourceText.h"
#include "StringTable.h"

#include <QDir>

namespace brisvander {

QString ProgramDirectoryOf(const QString& programFilePath)
{
    const qsizetype slash = programFilePath.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : programFilePath.left(slash);
}

QString MissingManualQuestion(const QString& manualPath)
{
    return QStringLiteral("Kann die Brisvander.CHM Datei nicht finden, sie muß sein in: ") + QLatin1Char('"')
           + manualPath + QLatin1Char('"') + QStringLiteral("\n\nWillst Du im Internet danach suchen?");
}

QString ManualNotOpenedMessage(const QString& manualPath)
{
    return ResourceText(LoadResourceString(IDP_MANUAL_NOT_OPENED)).arg(manualPath);
}

void OnHelpManual(HelpDesktop& desktop)
{
    const QString directory = ProgramDirectoryOf(desktop.ProgramFilePath());
    const QString manualPath = directory + QLatin1String(ManualFileName);
    // Beside the program first (the build tree), then the installed place.
    QStringList candidates = {manualPath};
    if (!directory.isEmpty())
        candidates << QDir::cleanPath(directory + QLatin1String(InstalledManualPath));
    for (const QString& path : candidates) {
        if (desktop.CanRead(path)) {
            // Without any program for it nothing at all would happen: say so.
            if (desktop.OpenDocument(path, directory) <= 32)
                desktop.ShowMessage(ManualNotOpenedMessage(path));
            return;
        }
    }
    if (desktop.AskYesNo(MissingManualQuestion(manualPath)))
        desktop.OpenLink(QString::fromLatin1(ManualWebAddress));
}

} // namespace brisvander
