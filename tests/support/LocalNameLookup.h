#pragma once
// Host name lookups in this process go to /etc/hosts only. Tests look up
// names that must not resolve; asking a real name server about them would
// send traffic off this machine.

namespace brisvander::testsupport {

// Call before the first lookup. Returns false if the C library refused.
bool KeepNameLookupsLocal();

} // namespace brisvander::testsupport
