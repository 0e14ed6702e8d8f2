#include "SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kestrune {
namespace {

bool IsUsableFolder(const char* folder)
{
    struct stat info {};
    return folder && *folder == '/' && ::stat(folder, &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(folder, W_OK | X_OK) == 0;
}

std::string LockFilePath(const std::string& name, const std::string& folder)
{
    if (!folder.empty())
        return folder + (folder.back() == '/' ? "" : "/") + name + ".lock";
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (IsUsableFolder(runtime))
        return std::string(runtime) + "/" + name + ".lock";
    return "/tmp/" + name + "-" + std::to_string(::getuid()) + ".lock";
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(const std::string& name, const std::string& folder)
    : m_path(LockFilePath(name, folder))
{
}

SingleInstanceLock::~SingleInstanceLock()
{
    Release();
}

bool SingleInstanceLock::TryAcquire()
{
    if (m_fd >= 0)
        return true;
    // O_CLOEXEC: a child we start (the spreadsheet program) must not inherit
    // the lock and keep it alive after we are gone. O_NOFOLLOW: a symlink
    // planted in /tmp is not followed.
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void SingleInstanceLock::Release()
{
    if (m_fd < 0)
        return;
    // The file stays: removing it would let a third process lock a fresh
    // inode while a second still waits on the old one.
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

}  // namespace kestrune
