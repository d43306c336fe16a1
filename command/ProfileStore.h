#pragma once
// The per-user settings store: QSettings under organisation "Quillmade" and
// application "Brisvander", one group per section. A store that cannot be
// read is never written, so an unreadable file does not cost the user the
// settings it holds.
#include <QString>
#include <QVariant>

namespace brisvander {

QString GetProfileString(const char* section, const char* key, const QString& defaultValue);
// Only a whole decimal number counts; anything else gives the default.
int GetProfileInt(const char* section, const char* key, int defaultValue);
void WriteProfileString(const char* section, const char* key, const QString& value);
void WriteProfileInt(const char* section, const char* key, int value);

// The integer a stored value stands for, or the default when it is none.
int ProfileIntFromValue(const QVariant& stored, int defaultValue);

} // namespace brisvander
