#pragma once
// Where the programs keep what they learn between runs (the history, stored
// NTS sessions): the XDG base directory rules' state folder. Qt 6.4 has no
// location for it, so it is worked out here. No Qt.
#include <string>
#include <sys/types.h>

namespace brisvander {

// The state home from the values of $XDG_STATE_HOME and $HOME (null: unset):
// $XDG_STATE_HOME where it is an absolute path, else $HOME/.local/state
// where $HOME is absolute, else empty. An empty or relative value is
// ignored, as the XDG rules say.
std::string StateHomeFrom(const char* xdgStateHome, const char* home);

// "<state home>/brisvander" for this process, the account's home from the
// password database standing in for an unusable $HOME. Empty when no
// absolute folder can be named. Nothing is created.
std::string BrisvanderStateDirectory();

// Creates `path` and every missing folder above it; the ones it creates get
// `mode` (less the umask). true when `path` is a folder afterwards; false
// with errno set otherwise. Folders that were there are left as they are.
bool MakeFolders(const std::string& path, mode_t mode);

} // namespace brisvander
