#include "MacText.h"

#include <cstdio>

namespace kestrune {

namespace {
std::string FormatMac(const uint8_t* mac, const char* format)
{
    char text[18];
    std::snprintf(text, sizeof text, format, mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}
}  // namespace

std::string MacText(const uint8_t* mac)
{
    return FormatMac(mac, "%02X:%02X:%02X:%02X:%02X:%02X");
}

std::string MacTextLower(const uint8_t* mac)
{
    return FormatMac(mac, "%02x:%02x:%02x:%02x:%02x:%02x");
}

bool ParseMacText(const std::string& text, MacAddress& mac)
{
    if (text.size() != 17)
        return false;
    MacAddress parsed{};
    for (size_t i = 0; i < 6; ++i) {
        if (i > 0 && text[i * 3 - 1] != ':')
            return false;
        unsigned value = 0;
        for (size_t j = 0; j < 2; ++j) {
            const char c = text[i * 3 + j];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<unsigned>(c - 'A' + 10);
            else
                return false;
        }
        parsed[i] = static_cast<uint8_t>(value);
    }
    mac = parsed;
    return true;
}

}  // namespace kestrune
