#include "ProgramFolder.h"

#include <unistd.h>

#include <array>
#include <mutex>

namespace kestrune {
namespace {

std::mutex folderMutex;
std::string folderOverride;
bool hasOverride = false;

std::string ReadExecutablePath()
{
    std::array<char, 4096> buffer{};
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0)
        return {};
    return std::string(buffer.data(), static_cast<size_t>(length));
}

}  // namespace

std::string ProgramFolderOf(const std::string& executablePath)
{
    const auto slash = executablePath.rfind('/');
    if (slash == std::string::npos)
        return {};
    return executablePath.substr(0, slash + 1);
}

const std::string& ProgramFolder()
{
    static const std::string computed = ProgramFolderOf(ReadExecutablePath());
    std::lock_guard lock(folderMutex);
    return hasOverride ? folderOverride : computed;
}

void OverrideProgramFolder(const std::string& folder)
{
    std::lock_guard lock(folderMutex);
    folderOverride = folder;
    if (!folderOverride.empty() && folderOverride.back() != '/')
        folderOverride.push_back('/');
    hasOverride = true;
}

}  // namespace kestrune
