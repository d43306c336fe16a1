#pragma once
// The whole command-line program, minus the process: arguments in, text and
// exit status out. The clock is a parameter so tests never set the real one.
#include "SystemClockApi.h"

#include <QString>
#include <QStringList>
#include <string>

// The stored "Host", else the default host. Only reads the settings store.
QString StoredOrDefaultHost();

int RunCli(const QStringList& arguments, SystemClockApi& clock, std::string& out, std::string& err);
