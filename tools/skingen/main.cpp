// kestrune-skingen OUTDIR: draws every skin image into OUTDIR.
#include <cstdio>

#include <QGuiApplication>

#include "SkinPainter.h"

int main(int argc, char** argv)
{
    // Drawing needs no screen; keep the generator usable on build machines.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrune-skingen OUTDIR\n");
        return 2;
    }
    QString error;
    if (!kestrune::skingen::WriteSkin(QString::fromLocal8Bit(argv[1]), &error)) {
        std::fprintf(stderr, "kestrune-skingen: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%d skin images written to %s\n", int(kestrune::skingen::SkinTable().size()),
                argv[1]);
    return 0;
}
