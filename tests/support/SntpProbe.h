#pragma once
// A bare SNTP exchange, written apart from the client under test, for telling
// whether a server on a loopback port is up and synchronised.

namespace brisvander::testsupport {

// True when 127.0.0.1:port answers a client request within timeoutMs with a
// server-mode reply that echoes the request, stratum 1-15 and leap indicator not 3.
bool ProbeSntpServer(int port, int timeoutMs);

} // namespace brisvander::testsupport
