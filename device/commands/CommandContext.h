// CommandContext: what a keyboard command reads besides the store and the
// link: the profile and Fn layer shown, the layout's key maps, the
// lighting page's option selection and the controller's flags.
#pragma once

#include "platform/KeyNames.h"

class KeyboardDefinition;

namespace device::commands {

struct CommandContext {
    int profile = 0;
    int fnLayer = 0;
    // Keyboard layout captured when the main window was set up; turns the
    // VK codes of recorded macro steps into device key codes.
    keynames::KeyboardLayout keyboardLayout = 0;
    // Key index and light index maps (first family); not owned, may be null.
    const KeyboardDefinition* definition = nullptr;
    // Selection index of the lighting page's option list.
    int optionIndex = 0;
    // Set when only one key was just edited (second family).
    bool singleKey = false;
    int singleKeyCode = 0;
    // First family: set once the mode form of the lighting has been sent,
    // so the next lighting write sends the parameter form.
    bool modeParameters = false;
};

}  // namespace device::commands
