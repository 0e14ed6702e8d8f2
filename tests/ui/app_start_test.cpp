// The program itself, started from a copy in a folder of its own inside this
// test's private network: it creates data.mdb at start, keeps running, and
// on SIGTERM ends its window like the close button, stopping the threads and
// deleting data.mdb.

#include "SegmentTest.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace std::chrono_literals;

namespace {

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

}  // namespace

TEST(AppStart, StartsCreatesTheDatabaseAndDeletesItOnSignal)
{
    // The namespaces must exist before the program looks at any interface.
    std::string why;
    ASSERT_TRUE(kestrune::netns::InPrivateNetwork(&why) || kestrune::netns::EnterPrivateNetwork())
        << kestrune::netns::RootRequiredMessage() << " " << why;

    const QString bin = QString::fromUtf8(std::getenv("KESTRUNE_BUILD_DIR")) + "/bin/";
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::copy(bin + "kestrune", folder.filePath("kestrune")));
    QFile::setPermissions(folder.filePath("kestrune"), QFile::ExeOwner | QFile::ReadOwner);
    for (const char* name : {"Skin", "Languages"})
        QFile::link(bin + name, folder.filePath(name));
    const std::string exe = folder.filePath("kestrune").toStdString();
    const QString database = folder.filePath("data.mdb");

    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ), 0);

    const bool created = WaitFor([&] { return QFile::exists(database); }, 10s);
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "the program ended at start";
    ::kill(pid, SIGTERM);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(created) << "data.mdb did not appear";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(QFile::exists(database));
}
