#include "ProfileStore.h"

#include "SettingsKeys.h"

#include <QSettings>

namespace brisvander {

namespace {
QString KeyPath(const char* section, const char* key)
{
    return QString::fromUtf8(section) + QLatin1Char('/') + QString::fromUtf8(key);
}

void WriteProfileValue(const char* section, const char* key, const QVariant& value)
{
    QSettings settings(Settings::Organisation, Settings::Application);
    // Writing rewrites the whole file from what was read: a file that could
    // not be read would come back holding only this one key. (Malformed
    // lines are no read failure; every key that parses is kept.)
    if (settings.status() == QSettings::AccessError)
        return;
    settings.setValue(KeyPath(section, key), value);
    settings.sync();
}
} // namespace

QString GetProfileString(const char* section, const char* key, const QString& defaultValue)
{
    QSettings settings(Settings::Organisation, Settings::Application);
    const QVariant stored = settings.value(KeyPath(section, key));
    return stored.isValid() ? stored.toString() : defaultValue;
}

int GetProfileInt(const char* section, const char* key, int defaultValue)
{
    QSettings settings(Settings::Organisation, Settings::Application);
    return ProfileIntFromValue(settings.value(KeyPath(section, key)), defaultValue);
}

void WriteProfileString(const char* section, const char* key, const QString& value)
{
    WriteProfileValue(section, key, value);
}

void WriteProfileInt(const char* section, const char* key, int value)
{
    WriteProfileValue(section, key, value);
}

int ProfileIntFromValue(const QVariant& stored, int defaultValue)
{
    if (!stored.isValid())
        return defaultValue;
    bool ok = false;
    const int value = stored.toString().trimmed().toInt(&ok, 10);
    return ok ? value : defaultValue;
}

} // namespace brisvander
