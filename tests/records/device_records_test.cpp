#include "DeviceRecords.h"
#include "Language.h"
#include "MacText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace kestrune;

TEST(DeviceRecords, ClassifyResultCases)
{
    struct Case {
        int32_t para, logo, anti;
        ResultClass expected;
    } cases[] = {
        {2, 0, 0, ResultSuccess},   {0, 2, 0, ResultSuccess},   {2, 3, 0, ResultFail},
        {0, 0, 0, ResultWaiting},   {1, 0, 0, ResultOperating}, {3, 3, 2, ResultSuccess},
        {4, 2, 0, ResultOperating}, {2, 2, 0, ResultSuccess},   {2, 4, 0, ResultOperating},
        {0, 0, 7, ResultFail},      {0, 0, 1, ResultOperating}, {5, 0, 0, ResultFail},
        {0, 6, 0, ResultFail},      {2, 0, 3, ResultSuccess},   {9, 9, 9, ResultWaiting},
        {2, 9, 0, ResultSuccess},   {9, 2, 0, ResultSuccess},   {-1, 0, 4, ResultOperating},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyResult(c.para, c.logo, c.anti), c.expected)
            << c.para << "," << c.logo << "," << c.anti;
}

TEST(DeviceRecords, StatusTextsAndClasses)
{
    InitLanguageForLocale("/nonexistent/", 1033);  // no table: English
    struct Case {
        int32_t code;
        const char* text;
        ResultClass cls;
    } cases[] = {
        {0, "Wait operate", ResultWaiting},
        {1, "Operating", ResultOperating},
        {2, "Operate success", ResultSuccess},
        {3, "Operate fail", ResultFail},
        {4, "Transmit finish", ResultOperating},
        {5, "Transmit fail", ResultFail},
        {6, "Device respond timeout", ResultFail},
        {7, "Lockcode mismatch", ResultFail},
        {8, "", ResultWaiting},
        {-1, "", ResultWaiting},
        {9, "", ResultWaiting},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatusText(c.code), c.text) << c.code;
        EXPECT_EQ(StatusClass(c.code), c.cls) << c.code;
    }
    EXPECT_STREQ(OperateKindName(KindPara), "PARA_DATA");
    EXPECT_STREQ(OperateKindName(KindLogo), "LOG_DATA");
    EXPECT_STREQ(OperateKindName(KindAntiTheft), "JSON_CMD_DATA");
}

TEST(DeviceRecords, StatusTextGoesThroughTheLanguageTable)
{
    const char* source = std::getenv("KESTRUNE_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    InitLanguageForLocale(std::string(source) + "/data/", 2052);
    EXPECT_EQ(StatusText(OperateSuccess), "操作成功");
    EXPECT_EQ(StatusText(LockcodeMismatch), "锁定码不匹配");
    EXPECT_EQ(StatusText(8), "");
    InitLanguageForLocale("/nonexistent/", 1033);
}

TEST(DeviceRecords, DiscoverRecordCopiesDeviceInfoAsItStands)
{
    const uint8_t mac[6] = {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f};
    uint8_t info[200];
    // Every field filled to its full width, no NUL anywhere.
    for (size_t i = 0; i < sizeof info; ++i)
        info[i] = static_cast<uint8_t>('A' + i % 26);
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 31;
    local.tm_hour = 23;
    local.tm_min = 59;
    local.tm_sec = 58;
    const ap_discover_stu record = BuildDiscoverRecord(mac, info, local);
    EXPECT_STREQ(record.mac, "0A:1B:2C:3D:4E:5F");
    EXPECT_STREQ(record.date, "2026-12-31 23:59:58");
    EXPECT_EQ(0, std::memcmp(record.ssid2, info, 200));
    // Reading a field stops at its width even without a NUL.
    EXPECT_EQ(FieldText(record.ssid2), std::string(reinterpret_cast<const char*>(info), 34));
    EXPECT_EQ(FieldText(record.wpakey5),
              std::string(reinterpret_cast<const char*>(info) + 134, 66));
    // Bytes after the date's terminator are zero.
    for (size_t i = 19; i < sizeof record.date; ++i)
        EXPECT_EQ(record.date[i], 0) << i;
}

TEST(DeviceRecords, CopyFieldNeverCutsACharacter)
{
    char field[6];
    std::memset(field, 'x', sizeof field);
    CopyField(field, std::string("ab"));
    EXPECT_EQ(0, std::memcmp(field, "ab\0\0\0\0", 6));
    CopyField(field, std::string("abcdefgh"));
    EXPECT_STREQ(field, "abcde");
    CopyField(field, std::string("ab\xE6\x8F\x90"));  // "ab" + a 3-byte character: fits in 5
    EXPECT_STREQ(field, "ab\xE6\x8F\x90");
    CopyField(field, std::string("abc\xE6\x8F\x90"));  // would end inside the character
    EXPECT_STREQ(field, "abc");
    EXPECT_EQ(field[4], 0);
}

TEST(MacText, FormsAndParsing)
{
    const uint8_t mac[6] = {0x00, 0xe0, 0x4c, 0x68, 0x12, 0xAB};
    EXPECT_EQ(MacText(mac), "00:E0:4C:68:12:AB");
    EXPECT_EQ(MacTextLower(mac), "00:e0:4c:68:12:ab");
    struct Case {
        const char* text;
        bool ok;
    } cases[] = {
        {"00:E0:4C:68:12:AB", true},
        {"00:e0:4c:68:12:ab", true},
        {"00-E0-4C-68-12-AB", false},
        {"00:E0:4C:68:12:A", false},
        {"00:E0:4C:68:12:ABC", false},
        {"00:E0:4C:68:12:AG", false},
        {"", false},
        {"0:E0:4C:68:12:ABC", false},
    };
    for (const Case& c : cases) {
        MacAddress parsed{1, 2, 3, 4, 5, 6};
        EXPECT_EQ(ParseMacText(c.text, parsed), c.ok) << c.text;
        if (c.ok)
            EXPECT_EQ(parsed, (MacAddress{0x00, 0xe0, 0x4c, 0x68, 0x12, 0xab})) << c.text;
        else
            EXPECT_EQ(parsed, (MacAddress{1, 2, 3, 4, 5, 6})) << c.text;  // untouched on failure
    }
}
