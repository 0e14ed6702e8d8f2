#include "SingleInstance.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

using namespace kestrune;

namespace {

std::string MakeFolder()
{
    char pattern[] = "/tmp/kestrune-lock-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    return made ? made : "";
}

// Whether a separate process could take the lock now.
bool ChildCanTake(const std::string& folder)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        SingleInstanceLock lock("Orvik_Kestrune", folder);
        ::_exit(lock.TryAcquire() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(SingleInstanceLock, OneHolderAtATime)
{
    const std::string folder = MakeFolder();
    ASSERT_FALSE(folder.empty());
    {
        SingleInstanceLock first("Orvik_Kestrune", folder);
        EXPECT_EQ(first.FilePath(), folder + "/Orvik_Kestrune.lock");
        ASSERT_TRUE(first.TryAcquire());
        SingleInstanceLock second("Orvik_Kestrune", folder);
        EXPECT_FALSE(second.TryAcquire());
        EXPECT_FALSE(ChildCanTake(folder));
        first.Release();
        EXPECT_TRUE(ChildCanTake(folder));
        EXPECT_TRUE(second.TryAcquire());
    }
    EXPECT_TRUE(ChildCanTake(folder));
    std::filesystem::remove_all(folder);
}

// A program the holder starts (the spreadsheet program) must not inherit the
// lock and keep it after the holder has died.
TEST(SingleInstanceLock, StartedProgramDoesNotInheritIt)
{
    const std::string folder = MakeFolder();
    int ready[2];
    ASSERT_EQ(::pipe2(ready, O_CLOEXEC), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        SingleInstanceLock lock("Orvik_Kestrune", folder);
        if (!lock.TryAcquire())
            ::_exit(2);
        const pid_t started = ::fork();
        if (started == 0) {
            ::execl("/bin/sleep", "sleep", "20", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (::write(ready[1], &started, sizeof started) != sizeof started)
            ::_exit(3);
        ::close(ready[0]);
        ::close(ready[1]);
        ::_exit(0);  // dies holding the lock, without releasing it
    }
    ::close(ready[1]);
    pid_t started = -1;
    ASSERT_EQ(::read(ready[0], &started, sizeof started), static_cast<ssize_t>(sizeof started));
    char byte;
    // EOF once both the holder and its started program (at exec) closed the pipe.
    while (::read(ready[0], &byte, 1) > 0) {
    }
    ::close(ready[0]);
    int status = 0;
    ::waitpid(holder, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(ChildCanTake(folder));
    ::kill(started, SIGKILL);  // our grandchild, by its id; init reaps it
    std::filesystem::remove_all(folder);
}

TEST(SingleInstanceLock, UnusableFolderRefuses)
{
    SingleInstanceLock lock("Orvik_Kestrune", "/nonexistent/folder");
    EXPECT_FALSE(lock.TryAcquire());
}

TEST(SingleInstanceLock, RuntimeFolderFromEnvironment)
{
    const std::string folder = MakeFolder();
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    EXPECT_EQ(SingleInstanceLock().FilePath(), folder + "/Orvik_Kestrune.lock");
    ::setenv("XDG_RUNTIME_DIR", "relative/path", 1);
    EXPECT_EQ(SingleInstanceLock().FilePath(),
              "/tmp/Orvik_Kestrune-" + std::to_string(::getuid()) + ".lock");
    ::unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(folder);
}
