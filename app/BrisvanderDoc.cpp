#include "BrisvanderDoc.h"

BOOL CBrisvanderDoc::OnNewDocument() { return TRUE; }

// No commands of its own.
bool CBrisvanderDoc::OnCmdMsg(int) { return false; }
