#pragma once

// Text helpers the program's messages are built with.

#include <cstdint>
#include <string>

// Chr is the character with that code, UTF-8 encoded (Chr(13) is a carriage return).
std::string Chr(uint32_t code);

// EndOfLine is the platform's line break.
std::string EndOfLine();
