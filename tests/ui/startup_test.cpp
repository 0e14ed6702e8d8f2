#include "CApplicationApp.h"
#include "SingleInstance.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

using namespace kestrune;
using namespace std::chrono_literals;

namespace {

QString ProgramPath()
{
    const char* build = std::getenv("KESTRUNE_BUILD_DIR");
    return build ? QString::fromUtf8(build) + QStringLiteral("/bin/kestrune") : QString();
}

// Whether the process holds an flock on the file, as the kernel lists it.
bool HoldsLock(qint64 pid, const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, device;
        qint64 holder = 0;
        fields >> number >> kind >> mode >> access >> holder >> device;
        const auto colon = device.rfind(':');
        if (kind == "FLOCK" && holder == pid && colon != std::string::npos &&
            device.substr(colon + 1) == std::to_string(info.st_ino))
            return true;
    }
    return false;
}

bool WaitUntilHolds(const QProcess& process, const std::string& path)
{
    for (int i = 0; i < 300; ++i) {
        if (process.state() != QProcess::Running)
            return false;
        if (HoldsLock(process.processId(), path))
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

void StartProgram(QProcess& process, const QString& runtimeFolder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(ProgramPath(), {});
}

void KillAndReap(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    process.waitForFinished(10000);
}

}  // namespace

// Two real processes: the second start ends at once with 0 while the first
// runs; after the first is killed outright a new start runs.
TEST(Startup, SingleInstanceWithRealProcesses)
{
    ASSERT_FALSE(ProgramPath().isEmpty());
    QTemporaryDir runtime;
    const std::string lockPath = runtime.path().toStdString() + "/Orvik_Kestrune.lock";

    QProcess first;
    StartProgram(first, runtime.path());
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(WaitUntilHolds(first, lockPath)) << "the first instance never took the lock";

    QProcess second;
    StartProgram(second, runtime.path());
    ASSERT_TRUE(second.waitForStarted(10000));
    EXPECT_TRUE(second.waitForFinished(15000)) << "the second instance did not end";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    KillAndReap(second);
    EXPECT_EQ(first.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(10000));

    QProcess third;
    StartProgram(third, runtime.path());
    ASSERT_TRUE(third.waitForStarted(10000));
    EXPECT_TRUE(WaitUntilHolds(third, lockPath)) << "a start after SIGKILL was refused";
    EXPECT_EQ(third.state(), QProcess::Running);
    KillAndReap(third);
    KillAndReap(first);
}

// In-process: start-up shows the 817 x 540 main window, and closing it
// ends InitInstance with 0 and frees the lock for the next start.
TEST(Startup, ShowsTheWindowAndEndsWithZero)
{
    QTemporaryDir runtime;
    ::setenv("XDG_RUNTIME_DIR", runtime.path().toUtf8().constData(), 1);
    static int argc = 1;
    static char name[] = "startup_test";
    static char* argv[] = {name, nullptr};
    CApplicationApp app(argc, argv);
    EXPECT_EQ(CApplicationApp::Instance(), &app);

    QSize shown;
    bool held = false;
    QTimer::singleShot(0, &app, [&] {
        held = !SingleInstanceLock().TryAcquire();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible()) {
                shown = window->size();
                window->close();
            }
        }
    });
    QTimer::singleShot(20000, &app, [] { QCoreApplication::exit(1); });  // never hang
    EXPECT_EQ(app.InitInstance(), 0);
    EXPECT_EQ(shown, QSize(817, 540));
    EXPECT_TRUE(held);
    EXPECT_EQ(app.RowHeight(), 48);
    EXPECT_EQ(app.ChildBkColor(), 0xFFFFFFu);
    EXPECT_STREQ(app.GridTitleFont().faceName, "Microsoft YaHei");
    EXPECT_EQ(app.SkinPath(SkinImage::ScanBtnNormal),
              QString::fromStdString(app.ProgramFolderPath()) +
                  QStringLiteral("Skin/scan_btn_normal.png"));
    EXPECT_EQ(CApplicationApp::ToColor(0x203040), QColor(0x40, 0x30, 0x20));
    const QFont font = CApplicationApp::ToFont(app.GridTitleFont());
    EXPECT_EQ(font.pixelSize(), 15);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(SingleInstanceLock().TryAcquire());
    ::unsetenv("XDG_RUNTIME_DIR");
}
