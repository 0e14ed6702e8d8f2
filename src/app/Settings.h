#pragma once

#include <QString>

#include <cstdint>
#include <string>

// The settings of Setting.ini in the program folder: colours and the two grid
// fonts. The program only reads this file; it never writes it.
namespace kestrune {

// A font as the settings describe it: height in pixels, weight 0 to 1000
// (0 = the default weight) and a face name of at most 31 characters.
struct FontDescription {
    int32_t height = 0;
    int32_t weight = 0;
    char faceName[32] = {};
};

// Colours are 0x00BBGGRR (red in the low byte); 0 (black) until read.
struct AppSettings {
    uint32_t childBkColor = 0;
    uint32_t lineColor = 0;
    uint32_t gridTitleTextColor = 0;
    uint32_t gridTitleBkColor = 0;
    uint32_t gridTextColor = 0;
    FontDescription gridTitleFont;  // height GridTitleFontHeight, weight GridTitleFontWeight
    FontDescription gridFont;       // height GridFontHeight, weight GridFontWeight
    int32_t rowHeight = 0;          // 48 once read; not a setting
};

// Every grid row is this tall, whatever the settings say.
inline constexpr int32_t kGridRowHeight = 48;
// A settings value is read into 64 characters: at most 63 of them are kept.
inline constexpr int kSettingValueChars = 63;

inline constexpr int RedOf(uint32_t colour)
{
    return static_cast<int>(colour & 0xFF);
}
inline constexpr int GreenOf(uint32_t colour)
{
    return static_cast<int>((colour >> 8) & 0xFF);
}
inline constexpr int BlueOf(uint32_t colour)
{
    return static_cast<int>((colour >> 16) & 0xFF);
}

// The path of Setting.ini in a program folder.
std::string SettingsFilePath(const std::string& programFolder);

// A value of Setting.ini in the program folder; an absent file or key gives
// the default, a key present with an empty value gives "". The file is read
// and closed on every call.
QString ReadSetting(const QString& section, const QString& key, const QString& defaultValue);
// The same from the Setting.ini of the given folder.
QString ReadSetting(const std::string& programFolder, const QString& section, const QString& key,
                    const QString& defaultValue);

// "r,g,b" with each part a decimal number 0 to 255 stores r + g*256 + b*65536
// in colour and returns true; anything else returns false and leaves colour alone.
bool ParseColour(const QString& text, uint32_t& colour);

// The classic text-to-integer conversion: leading blanks, an optional sign,
// then digits; anything after them is ignored and no digits give 0. Values
// beyond the 32-bit range saturate.
int32_t TextToInt(const QString& text);

// Reads every key of Setting.ini in the given folder, in the start-up order,
// with its default, and builds the two font descriptions.
AppSettings ReadSettings(const std::string& programFolder);

// The settings of this process: start-up loads them once; they are only read afterwards.
void LoadApplicationSettings(const std::string& programFolder);
const AppSettings& ApplicationSettings();

}  // namespace kestrune
