#pragma once
// The server host both programs start from: the one stored by the desktop
// program, else the default server.
#include <QString>

namespace brisvander {

// Only reads the settings store.
QString StoredOrDefaultHost();

} // namespace brisvander
