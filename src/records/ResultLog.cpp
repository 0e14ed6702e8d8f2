#include "ResultLog.h"

#include "DeviceRecords.h"
#include "ProgramFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>

namespace kestrune {
namespace {

constexpr const char* kHeader = "MAC\t\t\tType\t\tDate\n";
constexpr const char* kLineEnd = "\r\n";

// Serialises appends from the opening of a file to its closing.
std::mutex logLock;

std::mutex clockMutex;
LocalClock clockOverride;

std::tm ReadClock()
{
    LocalClock clock;
    {
        std::lock_guard lock(clockMutex);
        clock = clockOverride;
    }
    if (clock)
        return clock();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

// Appends bytes to a file in one go; the caller holds the log lock.
bool AppendBytes(const std::string& bytes, const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool written = true;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            written = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    return written;
}

bool FileExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

void SetResultLogClock(LocalClock clock)
{
    std::lock_guard lock(clockMutex);
    clockOverride = std::move(clock);
}

bool AppendLogLine(const std::string& text, const std::string& path)
{
    if (text.empty())
        return false;
    const std::string line = text + kLineEnd;
    std::lock_guard lock(logLock);
    return AppendBytes(line, path);
}

void WriteResultLog(int kind, const std::string& mac, bool success)
{
    const std::tm local = ReadClock();
    char date[48];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    const std::string folder = ProgramFolder() + "Log/" + date;
    const std::string path = folder + (success ? "/Success.txt" : "/Fail.txt");
    const std::string record =
        mac + "\t" + OperateKindName(kind) + "\t" + FormatDateTime(local) + "\n" + kLineEnd;

    // The check for a new file and its header are under the lock too, so two
    // writers of a new file cannot both give it a header.
    std::lock_guard lock(logLock);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return;  // the line is lost; the caller goes on with its database update
    if (FileExists(path))
        AppendBytes(record, path);
    else
        AppendBytes(std::string(kHeader) + kLineEnd + record, path);
}

}  // namespace kestrune
