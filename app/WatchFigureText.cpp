#include "WatchFigureText.h"

#include "HostText.h"

#include <QLocale>

namespace brisvander {

QString WatchStartedText() { return QStringLiteral("Beobachten: erste Anfrage …"); }

QString WatchFigureText(const SampleOutcome& sample)
{
    if (!sample.Succeeded)
        return QStringLiteral("Keine Antwort (Fehler Nr. %1)").arg(sample.Error);
    const double milliseconds = sample.Result.ClockOffset * 1000.0;
    const QString sign = milliseconds >= 0 ? QStringLiteral("+") : QString();
    QLocale german(QLocale::German);
    german.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("Offset: %1%2 ms").arg(sign, german.toString(milliseconds, 'f', 3));
}

QString WatchFigureTooltip(const std::string& host, int exchanges)
{
    const QString count = exchanges == 1 ? QStringLiteral("1 Anfrage") : QStringLiteral("%1 Anfragen").arg(exchanges);
    return QStringLiteral("Beobachtet: %1, %2").arg(QString::fromStdString(EscapeControlCharacters(host)), count);
}

} // namespace brisvander
