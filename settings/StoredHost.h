#pragma once
// The server host both programs start from: the one stored by the desktop
// program, else the default server.
#include "ProfileStore.h"

#include <QString>

namespace brisvander {

struct StoredHost {
    QString Host;           // the stored host, else the default server
    bool FromStore = false; // false: the default server, because nothing usable was stored
    SettingsStoreStatus Store = SettingsStoreStatus::Absent;
    QString StorePath;
};

// Only reads the settings store.
StoredHost LookUpStoredHost();
QString StoredOrDefaultHost();

} // namespace brisvander
