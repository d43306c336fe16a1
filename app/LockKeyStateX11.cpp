#include "LockKeyState.h"

#include <QGuiApplication>

// Xlib last: its macros clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace brisvander {

namespace {
bool IndicatorOn(Display* display, const char* name)
{
    const Atom atom = XInternAtom(display, name, True);
    if (atom == 0)
        return false;
    int on = 0;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return false;
    return on != 0;
}
} // namespace

LockKeys QueryLockKeys()
{
    LockKeys keys;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (display == nullptr)
        return keys;
    keys.CapsLock = IndicatorOn(display, "Caps Lock");
    keys.NumLock = IndicatorOn(display, "Num Lock");
    keys.ScrollLock = IndicatorOn(display, "Scroll Lock");
    return keys;
}

} // namespace brisvander
