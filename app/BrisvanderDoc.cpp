#include "BrisvanderDoc.h"

namespace brisvander {

BOOL CBrisvanderDoc::OnNewDocument() { return true; }

// No commands of its own.
bool CBrisvanderDoc::OnCmdMsg(int) { return false; }

} // namespace brisvander
