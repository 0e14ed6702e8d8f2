#pragma once

#include "Settings.h"
#include "SingleInstance.h"
#include "SkinPaths.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QSocketNotifier>

#include <memory>
#include <string>

namespace kestrune {

class AcTransmitManage;
class CApplicationDlg;
class CSqlManagement;

// The application object: the start-up sequence, the settings, the skin
// paths, the process-wide managers and shutdown. There is one per process.
class CApplicationApp : public QApplication {
    Q_OBJECT
public:
    CApplicationApp(int& argc, char** argv);
    ~CApplicationApp() override;

    // The application object of this process, or nullptr when the process
    // runs another QApplication (widget tests).
    static CApplicationApp* Instance();

    // Runs the start-up sequence and the main window, then ExitInstance.
    // A failed or refused start (a second instance) ends with 0 and no window;
    // so does a normal end.
    int InitInstance();

    // Shutdown of what start-up set up; the process-wide managers go at exit.
    void ExitInstance();

    const std::string& ProgramFolderPath() const { return m_programFolder; }
    const AppSettings& Settings() const { return m_settings; }
    uint32_t ChildBkColor() const { return m_settings.childBkColor; }
    uint32_t LineColor() const { return m_settings.lineColor; }
    uint32_t GridTitleTextColor() const { return m_settings.gridTitleTextColor; }
    uint32_t GridTitleBkColor() const { return m_settings.gridTitleBkColor; }
    uint32_t GridTextColor() const { return m_settings.gridTextColor; }
    const FontDescription& GridTitleFont() const { return m_settings.gridTitleFont; }
    const FontDescription& GridFont() const { return m_settings.gridFont; }
    int32_t RowHeight() const { return m_settings.rowHeight; }
    QString SkinPath(SkinImage image) const { return m_skins.Path(image); }
    QString SkinPath(QStringView fileName) const { return m_skins.Path(fileName); }
    AcTransmitManage* Transport() const { return m_transport; }
    CSqlManagement* Database() const { return m_database; }

    // A settings colour (0x00BBGGRR) and font description as Qt values; the
    // height is in pixels and a weight of 0 is the normal weight.
    static QColor ToColor(uint32_t colour);
    static QFont ToFont(const FontDescription& font);

    // "Microsoft YaHei" is drawn with the closest installed faces.
    static void InstallFontSubstitutes();

private:
    // The steps of InitInstance, in their order; each returns false to end
    // the start-up at once.
    bool TakeSingleInstanceLock();
    void LoadProgramFolderAndLanguage();
    void ReadSettings();
    void BuildSkinPaths();
    bool CreateManagers();
    void RunMainWindow();
    void InstallStopSignals();

    std::unique_ptr<SingleInstanceLock> m_instanceLock;
    AcTransmitManage* m_transport = nullptr;
    CSqlManagement* m_database = nullptr;
    CApplicationDlg* m_window = nullptr;
    std::unique_ptr<QSocketNotifier> m_stopNotifier;
    bool m_stopRequested = false;
    std::string m_programFolder;
    AppSettings m_settings;
    SkinPaths m_skins;
};

}  // namespace kestrune
