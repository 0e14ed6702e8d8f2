#pragma once

#include <QApplication>

namespace kestrune {

// The application object: start-up, the process-wide managers and shutdown.
class CApplicationApp : public QApplication {
    Q_OBJECT
public:
    CApplicationApp(int& argc, char** argv);

    // Runs the start-up sequence and the main window; returns the exit code.
    int InitInstance();
};

}  // namespace kestrune
