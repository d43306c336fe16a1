#pragma once
// Command routing: each class that handles commands keeps a table from
// command id to handler; the frame offers a command to view, document,
// frame and application in turn until one of them takes it.
#include <optional>
#include <span>

namespace brisvander {

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    // true when this object handled the command.
    virtual bool OnCmdMsg(int commandId) = 0;
    // Whether the command may run now; nothing when this object has no say
    // about it. The frame asks the same targets in the same order.
    virtual std::optional<bool> OnUpdateCmdUI(int /*commandId*/) { return std::nullopt; }
    // Whether an option command's menu item shows a check; nothing when this
    // object has no say about it.
    virtual std::optional<bool> OnUpdateCheck(int /*commandId*/) { return std::nullopt; }
};

template <class Target>
struct CommandMapEntry {
    int CommandId;
    void (Target::*Handler)();
};

template <class Target>
bool DispatchCommand(Target& target, std::span<const CommandMapEntry<Target>> map, int commandId)
{
    for (const CommandMapEntry<Target>& entry : map) {
        if (entry.CommandId == commandId) {
            (target.*entry.Handler)();
            return true;
        }
    }
    return false;
}

} // namespace brisvander
