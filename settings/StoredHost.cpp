#include "StoredHost.h"

#include "DefaultServer.h"
#include "SettingsKeys.h"

namespace brisvander {

StoredHost LookUpStoredHost()
{
    const ProfileRead read = ReadProfileValue(Settings::SettingsSection, Settings::KeyHost);
    StoredHost stored;
    stored.Store = read.Store;
    stored.StorePath = read.StorePath;
    stored.FromStore = read.Value.isValid();
    stored.Host = stored.FromStore ? read.Value.toString() : QString::fromUtf8(DefaultServerHost);
    return stored;
}

QString StoredOrDefaultHost() { return LookUpStoredHost().Host; }

} // namespace brisvander
