#pragma once
// What a broken or hostile server may send in place of a proper reply; the
// fake server's hostile mode answers every request this way.
#include "NtpTimestamp.h"

#include <string>

namespace brisvander::testsupport {

struct HostileReply {
    enum class Kind {
        Length,       // a proper reply cut or padded to `value` bytes (0-1500)
        Leap,         // a proper reply with leap indicator `value` (0-3)
        KissOfDeath,  // stratum 0 with `kissCode` ("RATE", "DENY", "RSTR") as reference id
        EraWrap,      // receive and transmit stamps at the 2036 wrap: `value` 0 both before, 1 across, 2 both after
        Twice,        // a proper reply, then the same bytes again `value` ms later
    };
    Kind kind = Kind::Length;
    int value = 48;
    std::string kissCode;
};

// The receive and transmit stamps that Kind::EraWrap sends for `value`.
NtpTimestamp EraWrapReceiveStamp(int value);
NtpTimestamp EraWrapTransmitStamp(int value);

} // namespace brisvander::testsupport
