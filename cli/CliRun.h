#pragma once
// The whole command-line program, minus the process: arguments in, text and
// exit status out. The clock is a parameter so tests never set the real one.
#include "ClockControl.h"

#include <QString>
#include <QStringList>
#include <string>

namespace brisvander {

int RunCli(const QStringList& arguments, ClockControl& clock, std::string& out, std::string& err);

} // namespace brisvander
