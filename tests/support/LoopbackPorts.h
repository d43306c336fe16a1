#pragma once
// Loopback UDP ports picked by the kernel, so parallel test runs do not collide.

namespace brisvander::testsupport {

// A 127.0.0.1 UDP port that was free a moment ago (0 if none could be had).
int FreeLoopbackUdpPort();
// The same for TCP.
int FreeLoopbackTcpPort();
// Whether something on 127.0.0.1 accepts a TCP connection on `port`.
bool LoopbackTcpPortAccepts(int port);

} // namespace brisvander::testsupport
