#pragma once
// The explanation shown in the output area after start-up.
#include <string>

namespace brisvander {

std::string IntroText();

} // namespace brisvander
