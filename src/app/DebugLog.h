#pragma once

#include <QLoggingCategory>

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>

// The one diagnostic trace of the program. A line is composed and then
// dropped; the category kestrune.debuglog (off by default) shows it to a
// developer. Nothing the operator sees depends on it.
namespace kestrune {

Q_DECLARE_LOGGING_CATEGORY(lcDebugLog)

// A local time with milliseconds, as the time stamp shows it.
struct DebugLogTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

using DebugLogClock = std::function<DebugLogTime()>;
using DebugLogThreadId = std::function<uint32_t()>;

// Replace the clock and the thread id source (tests); an empty function
// restores the real one.
void SetDebugLogClock(DebugLogClock clock);
void SetDebugLogThreadId(DebugLogThreadId threadId);

// The line: "[YYYY-MM-DD hh:mm:ss:mmmm][ERROR|INFO][ThreadID: n][origin:line]message\r\n".
// Piece four is cut to 511 characters.
std::string ComposeDebugLine(const DebugLogTime& time, uint32_t threadId, const char* origin,
                             int32_t level, int32_t line, const char* format, va_list args);

// Composes the line with the current clock and thread and drops it.
// Always false.
bool WriteDebugLog(const char* origin, int32_t level, int32_t line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

}  // namespace kestrune
