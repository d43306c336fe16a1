#pragma once
// The store's folder and files on disk, opened so that nothing another
// account could read or swap is used: no symbolic link is followed, and a
// folder or file that is not this account's alone is refused. Names below
// are entries of an opened folder, so the folder cannot change under a run.
#include "Failure.h"
#include "NtsBytes.h"
#include "UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brisvander {

enum class StoreAccess {
    Ok,
    Missing, // not there
    Refused, // another account's, open to group or others, a symbolic link, or not a folder/file
    Failed,  // the system refused (StoreSystemError in Problem)
};

struct StoreFolder {
    StoreAccess Access = StoreAccess::Failed;
    UniqueFd Fd;         // the open folder, when Ok
    Failure Problem;     // when Refused or Failed: its kind is one of the Store... kinds, with its facts
};

// Opens the folder `path` (absolute). Where it is missing and `create` is
// set, it and its missing parents are made 0700 first. Only the folder itself
// is checked, not its parents.
StoreFolder OpenStoreFolder(const std::string& path, bool create);

struct StoreFileRead {
    StoreAccess Access = StoreAccess::Failed;
    Bytes Content;       // when Ok: the first `limit` + 1 bytes at most (more than `limit`: too large)
    Failure Problem;     // when Refused or Failed, as for StoreFolder
};

// Reads `name` in `folder`, refusing what OpenStoreFolder refuses, and any
// file other than a regular one. Never blocks on a FIFO.
StoreFileRead ReadPrivateFile(int folder, const std::string& name, std::size_t limit);

// Replaces (or creates) `name` in `folder` with `content` so that a reader
// sees the old file or the whole new one, even after a crash: a 0600 file
// beside it, flushed to disk, renamed over it. nullopt on success, else why
// not, StoreSystemError (nothing of the attempt is left behind).
std::optional<Failure> WriteFileAtomically(int folder, const std::string& name, ByteView content);

// The names in `folder`, "." and ".." left out, in no particular order.
std::vector<std::string> FolderEntries(int folder);

// A taken or temporary file is abandoned when the pid in its name runs no
// longer, or when it has not changed for this long (a live run holds one for
// milliseconds; the age covers a pid that has been reused). Seconds.
inline constexpr std::int64_t NtsLeftoverMaxAgeSeconds = 10 * 60;

// Deletes the abandoned taken and temporary files in `folder`, unread.
// Returns how many went.
int RemoveAbandonedLeftovers(int folder);

} // namespace brisvander
