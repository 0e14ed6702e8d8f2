#include "CApplicationApp.h"

#include "AcTransmitManage.h"
#include "CApplicationDlg.h"
#include "CSqlManagement.h"

#include "Language.h"
#include "ProgramFolder.h"

#include <QMessageBox>
#include <QSocketNotifier>

#include <algorithm>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrune {

namespace {

// Written by the signal handler, read on the window thread.
int stopSignalPipe[2] = {-1, -1};

void OnStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(stopSignalPipe[1], &byte, 1);
}

}  // namespace

CApplicationApp::CApplicationApp(int& argc, char** argv) : QApplication(argc, argv) {}

CApplicationApp::~CApplicationApp() = default;

CApplicationApp* CApplicationApp::Instance()
{
    return qobject_cast<CApplicationApp*>(QCoreApplication::instance());
}

int CApplicationApp::InitInstance()
{
    // The socket layer, common controls, graphics library and COM start-up
    // steps have nothing to do on this platform; the window framework is the
    // QApplication this object already is.
    InstallFontSubstitutes();

    // A second instance ends silently, before anything is shown.
    if (!TakeSingleInstanceLock())
        return 0;
    InstallStopSignals();
    LoadProgramFolderAndLanguage();
    ReadSettings();
    BuildSkinPaths();
    if (!CreateManagers()) {
        ExitInstance();
        return 0;
    }
    RunMainWindow();
    ExitInstance();
    return 0;
}

void CApplicationApp::ExitInstance()
{
    // Nothing of the start-up needs releasing here: the managers are
    // process-wide and go at process exit, and the instance lock is released
    // by the kernel with the process. Release it early anyway so a new start
    // is not refused while this process finishes its exit.
    if (m_instanceLock)
        m_instanceLock->Release();
}

bool CApplicationApp::TakeSingleInstanceLock()
{
    m_instanceLock = std::make_unique<SingleInstanceLock>(kInstanceLockName);
    return m_instanceLock->TryAcquire();
}

void CApplicationApp::LoadProgramFolderAndLanguage()
{
    m_programFolder = ProgramFolder();
    InitLanguage(m_programFolder);
}

void CApplicationApp::ReadSettings()
{
    LoadApplicationSettings(m_programFolder);
    m_settings = ApplicationSettings();
}

void CApplicationApp::BuildSkinPaths()
{
    BuildApplicationSkinPaths(m_programFolder);
    m_skins = ApplicationSkinPaths();
}

bool CApplicationApp::CreateManagers()
{
    // Both failures below come before any window exists: a plain message box
    // without owner, as the system shows them.
    CSqlManagement::SetOpenFailureHook([](const std::string& text) {
        QMessageBox::warning(nullptr, QString(), QString::fromStdString(text));
    });
    m_transport = AcTransmitManage::Instance();
    m_transport->SetCaptureListFailureHook([](const std::string& text) {
        QMessageBox::warning(nullptr, QString(), QString::fromStdString(text));
    });
    m_database = CSqlManagement::GetInstance();
    return true;
}

void CApplicationApp::InstallStopSignals()
{
    // SIGINT and SIGTERM end the window as its close button does, so that the
    // threads stop and data.mdb is deleted as on a normal end. A signal that
    // comes before the window exists ends the start-up instead.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, stopSignalPipe) != 0)
        return;
    ::fcntl(stopSignalPipe[1], F_SETFL, O_NONBLOCK);
    m_stopNotifier = std::make_unique<QSocketNotifier>(stopSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_stopNotifier.get(), &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(stopSignalPipe[0], &byte, 1);
        m_stopRequested = true;
        if (m_window)
            m_window->OnExit();
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

void CApplicationApp::RunMainWindow()
{
    // A stop signal seen during start-up (in a message box's loop) ends it
    // here; one still pending is seen by the window's own loop.
    if (!m_stopRequested) {
        CApplicationDlg window;
        m_window = &window;
        window.exec();
        m_window = nullptr;
    }
    // The receive and manage threads stop now rather than at process exit,
    // so nothing of the transport runs while static objects are torn down;
    // the database file goes with its manager at exit.
    if (m_transport)
        m_transport->StopThreads();
}

QColor CApplicationApp::ToColor(uint32_t colour)
{
    return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

QFont CApplicationApp::ToFont(const FontDescription& font)
{
    QFont result(QString::fromUtf8(font.faceName));
    if (font.height != 0)
        result.setPixelSize(std::abs(font.height));
    if (font.weight > 0)
        result.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
    return result;
}

void CApplicationApp::InstallFontSubstitutes()
{
    QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"),
                               {QStringLiteral("WenQuanYi Micro Hei"),
                                QStringLiteral("Noto Sans CJK SC"), QStringLiteral("sans-serif")});
}

}  // namespace kestrune
