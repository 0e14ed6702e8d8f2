#include "DebugLog.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <vector>

namespace kestrune {

Q_LOGGING_CATEGORY(lcDebugLog, "kestrune.debuglog", QtWarningMsg)

namespace {

std::mutex hookMutex;
DebugLogClock clockHook;
DebugLogThreadId threadHook;

DebugLogTime LocalNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    return {local.tm_year + 1900,
            local.tm_mon + 1,
            local.tm_mday,
            local.tm_hour,
            local.tm_min,
            local.tm_sec,
            static_cast<int>(ms.count())};
}

uint32_t OsThreadId()
{
    return static_cast<uint32_t>(::syscall(SYS_gettid));
}

}  // namespace

void SetDebugLogClock(DebugLogClock clock)
{
    std::lock_guard lock(hookMutex);
    clockHook = std::move(clock);
}

void SetDebugLogThreadId(DebugLogThreadId threadId)
{
    std::lock_guard lock(hookMutex);
    threadHook = std::move(threadId);
}

std::string ComposeDebugLine(const DebugLogTime& time, uint32_t threadId, const char* origin,
                             int32_t level, int32_t line, const char* format, va_list args)
{
    std::string text;
    char stamp[64] = {};
    std::snprintf(stamp, sizeof stamp, "[%04d-%02d-%02d %02d:%02d:%02d:%04d]", time.year,
                  time.month, time.day, time.hour, time.minute, time.second, time.millisecond);
    text += stamp;
    text += level == 1 ? "[ERROR]" : "[INFO]";
    char thread[32] = {};
    std::snprintf(thread, sizeof thread, "[ThreadID: %u]", threadId);
    text += thread;
    char where[512] = {};
    std::snprintf(where, sizeof where, "[%s:%d]", origin ? origin : "", line);
    text += where;
    if (format) {
        va_list measure;
        va_copy(measure, args);
        const int length = std::vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
        if (length > 0) {
            std::vector<char> message(static_cast<size_t>(length) + 1);
            std::vsnprintf(message.data(), message.size(), format, args);
            text.append(message.data(), static_cast<size_t>(length));
        }
    }
    text += "\r\n";
    return text;
}

bool WriteDebugLog(const char* origin, int32_t level, int32_t line, const char* format, ...)
{
    DebugLogTime time;
    uint32_t threadId = 0;
    {
        std::lock_guard lock(hookMutex);
        time = clockHook ? clockHook() : LocalNow();
        threadId = threadHook ? threadHook() : OsThreadId();
    }
    va_list args;
    va_start(args, format);
    const std::string text = ComposeDebugLine(time, threadId, origin, level, line, format, args);
    va_end(args);
    qCDebug(lcDebugLog).noquote() << QString::fromUtf8(text.data(), qsizetype(text.size()));
    return false;
}

}  // namespace kestrune
