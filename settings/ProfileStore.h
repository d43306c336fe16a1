#pragma once
// The per-user settings store: QSettings under organisation "Quillmade" and
// application "Brisvander", one group per section. A store that cannot be
// read is never written, so an unreadable file does not cost the user the
// settings it holds.
#include <QString>
#include <QVariant>

namespace brisvander {

enum class SettingsStoreStatus {
    Absent,     // there is no store yet
    Read,       // read as a settings file
    NotAFile,   // a folder, a pipe or the like has the store's name; it is never opened
    Unreadable, // the file could not be opened for reading
    Malformed,  // the file is not (all) settings; what parsed was kept
};

// One stored value (invalid when absent) and what reading the store found.
struct ProfileRead {
    QVariant Value;
    SettingsStoreStatus Store = SettingsStoreStatus::Absent;
    QString StorePath;
};
ProfileRead ReadProfileValue(const char* section, const char* key);

QString GetProfileString(const char* section, const char* key, const QString& defaultValue);
// Only a whole decimal number counts; anything else gives the default.
int GetProfileInt(const char* section, const char* key, int defaultValue);
void WriteProfileString(const char* section, const char* key, const QString& value);
void WriteProfileInt(const char* section, const char* key, int value);

// The integer a stored value stands for, or the default when it is none.
int ProfileIntFromValue(const QVariant& stored, int defaultValue);

} // namespace brisvander
