#include "LocalNameLookup.h"

#include <nss.h>

namespace brisvander::testsupport {

bool KeepNameLookupsLocal() { return __nss_configure_lookup("hosts", "files") == 0; }

} // namespace brisvander::testsupport
