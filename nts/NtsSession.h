#pragma once
// What a successful key exchange leaves for the NTP exchanges that follow.
#include "NtsBytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brisvander {

struct NtsSession {
    Bytes ClientToServerKey;    // 32 bytes, seals our requests
    Bytes ServerToClientKey;    // 32 bytes, opens the server's replies
    std::vector<Bytes> Cookies; // unused cookies, oldest first; each is sent once
    std::string NtpServer;      // negotiated NTP host; empty: the key exchange host
    std::uint16_t NtpPort = 0;  // negotiated NTP port; 0: 123
};

} // namespace brisvander
