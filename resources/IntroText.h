#pragma once
// The explanation shown in the output area after start-up.
#include <string>

std::string IntroText();
