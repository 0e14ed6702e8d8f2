#pragma once

#include <ctime>
#include <functional>
#include <string>

// The lasting record of what the devices reported: one success and one
// failure log per local day under "Log/<YYYY-MM-DD>/" in the program folder.
namespace kestrune {

// Appends the outcome of one operation (an OperateKind) of one device.
void WriteResultLog(int kind, const std::string& mac, bool success);

// Appends one text and the line end "\r\n" to a file, under the log lock.
// An empty text writes nothing and returns false.
bool AppendLogLine(const std::string& text, const std::string& path);

// The local clock the logs read; tests set their own (an empty one restores it).
using LocalClock = std::function<std::tm()>;
void SetResultLogClock(LocalClock clock);

}  // namespace kestrune
