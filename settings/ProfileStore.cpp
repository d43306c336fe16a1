#include "ProfileStore.h"

#include "SettingsKeys.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace brisvander {

namespace {
QString KeyPath(const char* section, const char* key)
{
    return QString::fromUtf8(section) + QLatin1Char('/') + QString::fromUtf8(key);
}

// Where QSettings keeps the store when no test has moved it. Reading a pipe
// there would block for ever, so it is looked at before QSettings opens it.
QString UsualStorePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
           QString::fromUtf8(Settings::Organisation) + QLatin1Char('/') + QString::fromUtf8(Settings::Application) +
           QStringLiteral(".conf");
}

bool ThereButNotAFile(const QString& path)
{
    const QFileInfo file(path);
    return file.exists() && !file.isFile();
}

SettingsStoreStatus StatusOf(const QSettings& settings)
{
    const QFileInfo file(settings.fileName());
    if (!file.exists())
        return SettingsStoreStatus::Absent;
    if (!file.isFile())
        return SettingsStoreStatus::NotAFile;
    switch (settings.status()) {
    case QSettings::NoError:
        return SettingsStoreStatus::Read;
    case QSettings::AccessError:
        return SettingsStoreStatus::Unreadable;
    case QSettings::FormatError:
        return SettingsStoreStatus::Malformed;
    }
    return SettingsStoreStatus::Unreadable;
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

ProfileRead ReadProfileValue(const char* section, const char* key)
{
    ProfileRead read;
    if (const QString usual = UsualStorePath(); ThereButNotAFile(usual)) {
        read.Store = SettingsStoreStatus::NotAFile;
        read.StorePath = usual;
        return read;
    }
    QSettings settings(Settings::Organisation, Settings::Application);
    read.StorePath = settings.fileName();
    read.Value = settings.value(KeyPath(section, key));
    // Lines that do not parse are found only when every section is parsed,
    // and only by the first reader of the file in this process.
    settings.allKeys();
    read.Store = StatusOf(settings);
    return read;
}

QString GetProfileString(const char* section, const char* key, const QString& defaultValue)
{
    const QVariant stored = ReadProfileValue(section, key).Value;
    return stored.isValid() ? stored.toString() : defaultValue;
}

int GetProfileInt(const char* section, const char* key, int defaultValue)
{
    return ProfileIntFromValue(ReadProfileValue(section, key).Value, defaultValue);
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
