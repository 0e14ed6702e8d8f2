#include "CApplicationApp.h"

#include "Language.h"
#include "ProgramFolder.h"

#include <QWidget>

namespace kestrune {

CApplicationApp::CApplicationApp(int& argc, char** argv) : QApplication(argc, argv) {}

int CApplicationApp::InitInstance()
{
    InitLanguage(ProgramFolder());
    QWidget window;
    window.setFixedSize(817, 540);
    window.show();
    return exec();
}

}  // namespace kestrune
