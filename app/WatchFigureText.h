#pragma once
// What the status bar says of a running watch: the last exchange's offset
// or its error number, in German.
#include "SampleOutcome.h"

#include <QString>

#include <string>

namespace brisvander {

// Before the first exchange has ended.
QString WatchStartedText();
// "Offset: +1,234 ms" (server minus local, milliseconds to the microsecond,
// German decimal comma) for an answer; "Keine Antwort (Fehler Nr. N)" otherwise.
QString WatchFigureText(const SampleOutcome& sample);
// The figure's tooltip: which server, and how many exchanges so far.
QString WatchFigureTooltip(const std::string& host, int exchanges);

} // namespace brisvander
