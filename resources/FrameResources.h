#pragma once
// Menu, toolbar and accelerator tables of the main frame. The frame
// builds its bars from these; the command ids tie them to the string table.
#include <span>
#include <string_view>

namespace brisvander {

// A command id of 0 is a separator.
struct MenuItemResource {
    std::string_view Text; // "&" marks the mnemonic
    int CommandId;
};

struct MenuResource {
    std::string_view Title;
    std::span<const MenuItemResource> Items;
};

std::span<const MenuResource> MainMenu();

// A command id of 0 is a separator.
struct ToolbarButtonResource {
    int CommandId;
    std::string_view IconPath; // Qt resource path of the button image
};

std::span<const ToolbarButtonResource> MainToolbar();
inline constexpr std::string_view ProgramIconPath = ":/icons/brisvander.svg";

struct AcceleratorResource {
    std::string_view Keys; // in Qt's portable key-sequence notation
    int CommandId;
};

std::span<const AcceleratorResource> MainAccelerators();

} // namespace brisvander
