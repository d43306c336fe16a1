#include "StoredHost.h"

#include "DefaultServer.h"
#include "ProfileStore.h"
#include "SettingsKeys.h"

namespace brisvander {

QString StoredOrDefaultHost()
{
    return GetProfileString(Settings::SettingsSection, Settings::KeyHost, QString::fromUtf8(DefaultServerHost));
}

} // namespace brisvander
