#include "DeviceRecords.h"
#include "ProgramFolder.h"
#include "ResultLog.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

const std::string kHeader = "MAC\t\t\tType\t\tDate\n\r\n";

std::tm LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

// Points the logs at a folder of the test's own and a clock it sets.
class ResultLogTest : public testing::Test {
protected:
    void SetUp() override
    {
        OverrideProgramFolder(folder.Path());
        SetResultLogClock([this] { return now; });
    }
    void TearDown() override { SetResultLogClock({}); }

    std::string Day(const std::string& date, const char* file) const
    {
        return folder.Path() + "Log/" + date + "/" + file;
    }

    TempFolder folder;
    std::tm now = LocalTime(2024, 3, 5, 9, 7, 2);
};

TEST_F(ResultLogTest, FirstOutcomeOfADayCreatesFoldersAndHeader)
{
    ASSERT_FALSE(std::filesystem::exists(folder.Path() + "Log"));
    WriteResultLog(KindLogo, "0C:11:22:33:44:55", true);
    EXPECT_EQ(ReadBytes(Day("2024-03-05", "Success.txt")),
              kHeader + "0C:11:22:33:44:55\tLOG_DATA\t2024-03-05 09:07:02\n\r\n");
    EXPECT_FALSE(std::filesystem::exists(Day("2024-03-05", "Fail.txt")));

    // Later outcomes of the day append their record only, with the kind's name.
    struct Case {
        int kind;
        const char* name;
    };
    const Case cases[] = {{KindPara, "PARA_DATA"},
                          {KindLogo, "LOG_DATA"},
                          {KindAntiTheft, "JSON_CMD_DATA"},
                          {0, "JSON_CMD_DATA"},
                          {99, "JSON_CMD_DATA"}};
    std::string expected = ReadBytes(Day("2024-03-05", "Success.txt"));
    for (const Case& c : cases) {
        now.tm_sec += 1;
        WriteResultLog(c.kind, "0C:11:22:33:44:55", true);
        expected +=
            std::string("0C:11:22:33:44:55\t") + c.name + "\t" + FormatDateTime(now) + "\n\r\n";
    }
    EXPECT_EQ(ReadBytes(Day("2024-03-05", "Success.txt")), expected);
}

TEST_F(ResultLogTest, FirstFailureOfADayStartsItsOwnFile)
{
    WriteResultLog(KindPara, "AA:00:00:00:00:01", true);
    WriteResultLog(KindPara, "AA:00:00:00:00:02", true);
    const std::string successes = ReadBytes(Day("2024-03-05", "Success.txt"));
    now.tm_min = 30;
    WriteResultLog(KindAntiTheft, "AA:00:00:00:00:03", false);
    EXPECT_EQ(ReadBytes(Day("2024-03-05", "Fail.txt")),
              kHeader + "AA:00:00:00:00:03\tJSON_CMD_DATA\t2024-03-05 09:30:02\n\r\n");
    EXPECT_EQ(ReadBytes(Day("2024-03-05", "Success.txt")), successes);
}

TEST_F(ResultLogTest, OutcomeJustAfterMidnightGoesToTheNewDay)
{
    now = LocalTime(2024, 12, 31, 23, 59, 59);
    WriteResultLog(KindLogo, "AA:00:00:00:00:01", true);
    now = LocalTime(2025, 1, 1, 0, 0, 1);
    WriteResultLog(KindLogo, "AA:00:00:00:00:01", true);
    EXPECT_EQ(ReadBytes(Day("2024-12-31", "Success.txt")),
              kHeader + "AA:00:00:00:00:01\tLOG_DATA\t2024-12-31 23:59:59\n\r\n");
    EXPECT_EQ(ReadBytes(Day("2025-01-01", "Success.txt")),
              kHeader + "AA:00:00:00:00:01\tLOG_DATA\t2025-01-01 00:00:01\n\r\n");
}

TEST_F(ResultLogTest, MissingParentsAreCreatedAndAnUnwritablePlaceLosesTheLine)
{
    OverrideProgramFolder(folder.Path() + "deep/er/program");
    WriteResultLog(KindPara, "AA:00:00:00:00:01", false);
    EXPECT_EQ(ReadBytes(folder.Path() + "deep/er/program/Log/2024-03-05/Fail.txt"),
              kHeader + "AA:00:00:00:00:01\tPARA_DATA\t2024-03-05 09:07:02\n\r\n");

    // "Log" being a file: nothing can be written and nothing breaks.
    OverrideProgramFolder(folder.Path() + "blocked");
    std::filesystem::create_directory(folder.Path() + "blocked");
    WriteBytes(folder.Path() + "blocked/Log", "in the way");
    WriteResultLog(KindPara, "AA:00:00:00:00:01", true);
    EXPECT_EQ(ReadBytes(folder.Path() + "blocked/Log"), "in the way");
}

TEST_F(ResultLogTest, AppendLogLine)
{
    const std::string path = folder.Path() + "lines.txt";
    EXPECT_FALSE(AppendLogLine("", path));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(AppendLogLine("first\n", path));
    EXPECT_TRUE(AppendLogLine("second", path));
    EXPECT_EQ(ReadBytes(path), "first\n\r\nsecond\r\n");
    // Longer texts than the old line buffer are written whole.
    const std::string longText(600, 'x');
    EXPECT_TRUE(AppendLogLine(longText, path));
    EXPECT_EQ(ReadBytes(path), "first\n\r\nsecond\r\n" + longText + "\r\n");
    EXPECT_FALSE(AppendLogLine("lost", folder.Path() + "no/such/folder.txt"));
}

}  // namespace
}  // namespace kestrune
