#pragma once
// The server queried when none has been chosen yet.

namespace brisvander {

// A public server of the national metrology institute; also an entry of the server list.
inline constexpr const char* DefaultServerHost = "ptbtime1.ptb.de";

} // namespace brisvander
