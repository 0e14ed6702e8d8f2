#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kestrune {

using MacAddress = std::array<uint8_t, 6>;

// "AA:BB:CC:DD:EE:FF" (upper case), the text that names a device everywhere.
std::string MacText(const uint8_t* mac);
// "aa:bb:cc:dd:ee:ff", the form the capture filters use.
std::string MacTextLower(const uint8_t* mac);
// Parses either case of the colon form; false on anything else.
bool ParseMacText(const std::string& text, MacAddress& mac);

}  // namespace kestrune
