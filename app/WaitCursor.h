#pragma once
// Shows the wait cursor for as long as it lives, so that every way out of a
// command ends it.
#include <QApplication>

namespace brisvander {

class WaitCursorGuard {
public:
    WaitCursorGuard() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursorGuard() { QApplication::restoreOverrideCursor(); }
    WaitCursorGuard(const WaitCursorGuard&) = delete;
    WaitCursorGuard& operator=(const WaitCursorGuard&) = delete;
};

} // namespace brisvander
