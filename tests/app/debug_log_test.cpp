#include "DebugLog.h"

#include <gtest/gtest.h>

#include <QLoggingCategory>

#include <string>

using namespace kestrune;

namespace {

std::string Compose(const DebugLogTime& time, uint32_t thread, const char* origin, int level,
                    int line, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = ComposeDebugLine(time, thread, origin, level, line, format, args);
    va_end(args);
    return text;
}

const DebugLogTime kNineOFive{2024, 3, 7, 9, 5, 2, 42};

QStringList captured;
void Capture(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (std::string_view(context.category) == "kestrune.debuglog")
        captured.append(message);
}

}  // namespace

TEST(DebugLog, ComposesTheExactLine)
{
    EXPECT_EQ(Compose(kNineOFive, 4242, "int Foo::Bar(int)", 1, 51, "init socker error"),
              "[2024-03-07 09:05:02:0042][ERROR][ThreadID: 4242][int Foo::Bar(int):51]"
              "init socker error\r\n");
    for (int level : {0, 2, -1})
        EXPECT_EQ(Compose(kNineOFive, 1, "f", level, 1, "m").substr(26, 6), "[INFO]") << level;
    EXPECT_EQ(Compose({2024, 12, 31, 23, 59, 59, 999}, 4294967295u, "g", 1, -3, "%s=%d%%", "n", 7),
              "[2024-12-31 23:59:59:0999][ERROR][ThreadID: 4294967295][g:-3]n=7%\r\n");
    EXPECT_EQ(Compose(kNineOFive, 7, "h", 0, 9, ""),
              "[2024-03-07 09:05:02:0042][INFO][ThreadID: 7][h:9]\r\n");
}

TEST(DebugLog, LongPiecesAreCutOrKeptWhole)
{
    const std::string origin(2000, 'o');
    const std::string line = Compose(kNineOFive, 1, origin.c_str(), 1, 1, "%s", "tail");
    // Piece four stops at 511 characters; the message after it is whole.
    const size_t start = line.find("[o");
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(line.substr(start, 511), "[" + std::string(510, 'o'));
    EXPECT_EQ(line.substr(start + 511), "tail\r\n");

    const std::string message(100000, 'm');
    const std::string big = Compose(kNineOFive, 1, "f", 1, 1, "%s", message.c_str());
    EXPECT_EQ(big.size(),
              std::string("[2024-03-07 09:05:02:0042][ERROR][ThreadID: 1][f:1]").size() +
                  message.size() + 2);
}

// The line goes nowhere unless a developer turns the category on; the clock
// and thread id can be injected.
TEST(DebugLog, WriteUsesInjectedClockAndThreadAndReturnsFalse)
{
    SetDebugLogClock([] { return kNineOFive; });
    SetDebugLogThreadId([] { return 99u; });
    const QtMessageHandler previous = qInstallMessageHandler(Capture);

    EXPECT_FALSE(lcDebugLog().isDebugEnabled());
    EXPECT_FALSE(WriteDebugLog("origin", 1, 51, "init socker error"));
    EXPECT_TRUE(captured.isEmpty());

    QLoggingCategory::setFilterRules(QStringLiteral("kestrune.debuglog.debug=true"));
    EXPECT_FALSE(WriteDebugLog("origin", 3, 8, "value %d", 5));
    QLoggingCategory::setFilterRules(QString());
    ASSERT_EQ(captured.size(), 1);
    EXPECT_EQ(
        captured[0],
        QStringLiteral("[2024-03-07 09:05:02:0042][INFO][ThreadID: 99][origin:8]value 5\r\n"));

    qInstallMessageHandler(previous);
    SetDebugLogClock({});
    SetDebugLogThreadId({});
    // The real clock and thread id fill the same shape.
    captured.clear();
    EXPECT_FALSE(WriteDebugLog("f", 1, 1, "x"));
}
