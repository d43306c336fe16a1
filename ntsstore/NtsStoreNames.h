#pragma once
// The names of the store's files. A session file's name comes from a hash of
// the host, so no host text can reach outside the folder or collide with the
// names of a run's own leftovers. Pure, but for RandomNameTag.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace brisvander {

// "<64 hex digits of SHA-256(host)>-<port>.nts"; only [0-9a-f.-].
std::string SessionFileName(const std::string& host, std::uint16_t port);

// What the session files of `host` begin with, whatever their port.
std::string SessionFilePrefix(const std::string& host);

// Whether `name` has the form SessionFileName gives.
bool IsSessionFileName(std::string_view name);

// The name a session file has while run `pid` holds it after taking it, and
// the one a file being written has; `tag` (hex, from RandomNameTag) tells
// the threads of one process apart.
std::string TakenFileName(const std::string& sessionFile, pid_t pid, const std::string& tag);
std::string TempFileName(const std::string& sessionFile, pid_t pid, const std::string& tag);

// The pid in a taken or temporary file's name; empty for any other name.
std::optional<pid_t> LeftoverOwner(std::string_view name);

// 16 hex digits from the kernel's random source (a counter where it fails),
// so that no two threads of a process pick the same leftover name.
std::string RandomNameTag();

} // namespace brisvander
