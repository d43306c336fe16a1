#pragma once
// Finds the command line of the desktop's default text/html handler: its
// desktop entry's Exec line (mimeapps.list, then mimeinfo.cache), else the
// first program of $BROWSER.
#include <QString>
#include <QStringList>

#include <optional>

namespace brisvander {

// The value of key in [section] of an ini-style text (desktop entry,
// mimeapps.list); empty when absent.
QString ReadIniValue(const QString& text, const QString& section, const QString& key);

// Undoes the string escapes of a desktop entry value (\s \n \t \r \\).
QString UnescapeDesktopString(const QString& value);

// Nothing when no handler is known or its command is empty.
std::optional<QString> FindDefaultBrowserCommand();

} // namespace brisvander
