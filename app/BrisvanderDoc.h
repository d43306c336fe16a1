#pragma once
// The document the single-document framework needs; it holds no data and
// stores nothing. Its only use is the New command, which re-runs the
// view's initial update.
#include "CommandTarget.h"
#include "Platform.h"

namespace brisvander {

class CBrisvanderDoc : public CCmdTarget {
public:
    BOOL OnNewDocument();
    bool OnCmdMsg(int commandId) override;
};

} // namespace brisvander
