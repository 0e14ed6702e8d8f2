#include "Settings.h"

#include "ProfileFile.h"
#include "ProgramFolder.h"

#include <QStringList>

#include <algorithm>
#include <cstring>
#include <limits>

namespace kestrune {
namespace {

AppSettings& State()
{
    static AppSettings settings;
    return settings;
}

void FillFont(FontDescription& font, int32_t height, int32_t weight, const QString& face)
{
    font = FontDescription{};
    font.height = height;
    font.weight = weight;
    // The face name field holds 31 bytes of UTF-8; never cut a sequence in half.
    const QByteArray bytes = face.toUtf8();
    qsizetype length = std::min<qsizetype>(bytes.size(), sizeof font.faceName - 1);
    if (length < bytes.size()) {
        while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(font.faceName, bytes.constData(), static_cast<size_t>(length));
}

}  // namespace

std::string SettingsFilePath(const std::string& programFolder)
{
    return programFolder + "Setting.ini";
}

QString ReadSetting(const std::string& programFolder, const QString& section, const QString& key,
                    const QString& defaultValue)
{
    const ProfileFile file =
        ProfileFile::Load(QString::fromStdString(SettingsFilePath(programFolder)));
    return file.Get(section, key, defaultValue.left(kSettingValueChars), kSettingValueChars);
}

QString ReadSetting(const QString& section, const QString& key, const QString& defaultValue)
{
    return ReadSetting(ProgramFolder(), section, key, defaultValue);
}

int32_t TextToInt(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' ||
                               text[i] == u'\r' || text[i] == u'\v' || text[i] == u'\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(value * 10 + (text[i].unicode() - u'0'), kLimit);
    if (negative)
        value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

bool ParseColour(const QString& text, uint32_t& colour)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 3)
        return false;
    uint32_t value = 0;
    for (int i = 0; i < 3; ++i) {
        const int32_t part = TextToInt(parts[i]);
        if (part < 0 || part > 255)
            return false;
        value |= static_cast<uint32_t>(part) << (8 * i);
    }
    colour = value;
    return true;
}

AppSettings ReadSettings(const std::string& programFolder)
{
    // Loaded once here rather than once per key: the same values as reading
    // the file key by key, without opening it ten times.
    const ProfileFile file =
        ProfileFile::Load(QString::fromStdString(SettingsFilePath(programFolder)));
    const auto read = [&file](const char* section, const char* key, const char* fallback) {
        return file.Get(QLatin1StringView(section), QLatin1StringView(key),
                        QLatin1StringView(fallback), kSettingValueChars);
    };

    AppSettings s;
    ParseColour(read("Color", "ChildBkColor", "255,255,255"), s.childBkColor);
    const QString fontName = read("Font", "FontName", "Microsoft YaHei");
    ParseColour(read("Color", "LineColor", "215,215,215"), s.lineColor);
    const int32_t titleWeight = TextToInt(read("Font", "GridTitleFontWeight", "700"));
    const int32_t titleHeight = TextToInt(read("Font", "GridTitleFontHeight", "15"));
    const int32_t gridWeight = TextToInt(read("Font", "GridFontWeight", "0"));
    const int32_t gridHeight = TextToInt(read("Font", "GridFontHeight", "15"));
    ParseColour(read("Color", "GridTextColor", "0,0,0"), s.gridTextColor);
    ParseColour(read("Color", "GridTitleTextColor", "237,112,32"), s.gridTitleTextColor);
    ParseColour(read("Color", "GridTitleBkColor", "186,199,231"), s.gridTitleBkColor);
    FillFont(s.gridTitleFont, titleHeight, titleWeight, fontName);
    FillFont(s.gridFont, gridHeight, gridWeight, fontName);
    s.rowHeight = kGridRowHeight;
    return s;
}

void LoadApplicationSettings(const std::string& programFolder)
{
    State() = ReadSettings(programFolder);
}

const AppSettings& ApplicationSettings()
{
    return State();
}

}  // namespace kestrune
