// Paint time of every skinned control at the size the windows give it, and
// the CPU a running GIF animation costs.
//   BENCH ui_paint_max_ms  slowest median paint among the controls
//   BENCH ui_gif_cpu_pct   process CPU while wait_search.gif plays for 5 s

#include "BenchReport.h"
#include "CColorLine.h"
#include "CCustomComboBox.h"
#include "CDropListBoxWnd.h"
#include "CDropListWnd.h"
#include "CNoteDlg.h"
#include "CTButtonPicture.h"
#include "CTDialog.h"
#include "CTEditGdiplus.h"
#include "CTPicture.h"
#include "CTStaticGdiplus.h"
#include "ProgramFolder.h"
#include "SkinImage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace kestrune;

namespace {

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void RunEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Median milliseconds of a synchronous repaint of a shown widget.
double MedianPaintMs(QWidget* widget, int rounds = 300)
{
    for (int i = 0; i < 20; ++i)
        widget->repaint();
    std::vector<double> times;
    times.reserve(static_cast<size_t>(rounds));
    for (int i = 0; i < rounds; ++i)
        times.push_back(MicrosecondsOf([&] { widget->repaint(); }) / 1000.0);
    return MedianOf(times);
}

QString Skin(const char* name)
{
    return SkinPath(QString::fromLatin1(name));
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QByteArray source = qgetenv("KESTRUNE_SOURCE_DIR");
    if (!source.isEmpty())
        OverrideProgramFolder(source.toStdString() + "/data/");

    // The main window with its background and the controls of its pages.
    CTDialog window;
    window.resize(817, 540);
    window.SetBackgroundImage(Skin("main_bk.png"));
    window.SetRoundedCorners(8, 8);

    struct Measured {
        std::string name;
        QWidget* widget;
    };
    std::vector<Measured> controls;
    controls.push_back({"CTDialog 817x540 background image", &window});

    auto* page = new CTDialog(&window, Qt::Widget);
    page->setGeometry(200, 40, 420, 426);
    page->SetFillBackground(true);
    page->SetBackgroundColor(QColor(255, 255, 255));
    controls.push_back({"CTDialog page 420x426 fill", page});

    auto* scan = new CTButtonPicture(QStringLiteral("Scan Devices"), page);
    scan->setGeometry(53, 182, 218, 24);
    scan->SetImages(Skin("scan_btn_normal.png"), Skin("scan_btn_over.png"),
                    Skin("scan_btn_down.png"), Skin("scan_btn_disable.png"));
    scan->SetTextFont(17, 400);
    controls.push_back({"CTButtonPicture 218x24", scan});

    auto* apply = new CTButtonPicture(QStringLiteral("Apply"), page);
    apply->setGeometry(332, 386, 67, 27);
    apply->SetImages(Skin("apply_btn_normal.png"), Skin("apply_btn_over.png"),
                     Skin("apply_btn_down.png"), Skin("apply_btn_disable.png"));
    apply->SetTextFont(17, 400);
    controls.push_back({"CTButtonPicture 67x27", apply});

    auto* edit = new CTEditGdiplus(page);
    edit->setGeometry(163, 291, 180, 28);
    edit->UseDialogStyle();
    edit->SetHintText(QStringLiteral("e.g. 8.8.8.8"), QColor(128, 128, 128));
    controls.push_back({"CTEditGdiplus 180x28 hint", edit});

    auto* explanation = new CTStaticGdiplus(
        QStringLiteral("Used to bind the device to the\nnetwork. If the password is incorrect,\n"
                       "the configuration will not take effect\neven if parameters are delivered."),
        page);
    explanation->setGeometry(163, 154, 180, 56);
    explanation->SetTextFont(12, 400);
    controls.push_back({"CTStaticGdiplus 180x56 four lines", explanation});

    auto* title = new CTStaticGdiplus(QStringLiteral("Anti-Theft Protection"), page);
    title->setGeometry(22, 11, 144, 18);
    title->SetTextFont(17, 600);
    controls.push_back({"CTStaticGdiplus 144x18", title});

    auto* line = new CColorLine(QColor(235, 238, 237), page);
    line->setGeometry(0, 39, 420, 1);
    controls.push_back({"CColorLine 420x1", line});

    auto* combo = new CCustomComboBox(page);
    combo->setGeometry(53, 120, 218, 24);
    combo->SetArrowImage(Skin("combox_down.png"));
    for (int i = 0; i < 12; ++i)
        combo->AddString(QStringLiteral("enp0s%1 Ethernet adapter with a rather long name").arg(i));
    combo->SetCurSel(3);
    controls.push_back({"CCustomComboBox 218x24", combo});

    auto* picture = new CTPicture(page);
    picture->move(150, 240);
    const bool gifLoaded = picture->Load(Skin("wait_search.gif"));
    controls.push_back({"CTPicture wait_search.gif", picture});

    page->show();  // a page is a dialog: it stays hidden until shown
    window.show();
    RunEventLoop(100);

    combo->ShowDropDown();
    RunEventLoop(50);
    if (combo->DropList())
        controls.push_back(
            {"CDropListBoxWnd 8 of 12 items", combo->DropList()->ListBox()->viewport()});

    double slowest = 0;
    std::string slowestName;
    for (const Measured& m : controls) {
        const double ms = MedianPaintMs(m.widget);
        std::printf("# paint %-36s %.3f ms\n", m.name.c_str(), ms);
        if (ms > slowest) {
            slowest = ms;
            slowestName = m.name;
        }
    }
    combo->ShowDropDown(false);

    CNoteDlg note(QStringLiteral("Note"), QStringLiteral("Ensure the computer's NIC is enabled!"),
                  true, &window);
    note.show();
    RunEventLoop(50);
    const double noteMs = MedianPaintMs(&note);
    std::printf("# paint %-36s %.3f ms\n", "CNoteDlg 415x162 with children", noteMs);
    if (noteMs > slowest) {
        slowest = noteMs;
        slowestName = "CNoteDlg";
    }
    note.hide();
    std::printf("# slowest: %s\n", slowestName.c_str());
    ReportBench("ui_paint_max_ms", slowest, "ms", "<", 1);

    // The same window idle for 5 s, then with the animation running.
    constexpr int kWindowMs = 5000;
    double cpu = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    RunEventLoop(kWindowMs);
    const double idlePct = (ProcessCpuSeconds() - cpu) * 1000.0 * 100.0 / double(wall.elapsed());
    std::printf("# idle baseline %.3f %%\n", idlePct);

    if (!gifLoaded || !picture->Start()) {
        std::printf("# wait_search.gif did not load as an animation\n");
        return 1;
    }
    int frames = 0;
    QObject::connect(picture, &CTPicture::FrameShown, [&frames](int) { ++frames; });
    cpu = ProcessCpuSeconds();
    wall.restart();
    RunEventLoop(kWindowMs);
    const double gifPct = (ProcessCpuSeconds() - cpu) * 1000.0 * 100.0 / double(wall.elapsed());
    picture->Stop();
    std::printf("# %d frames of %d shown in %lld ms\n", frames, picture->FrameCount(),
                static_cast<long long>(wall.elapsed()));
    ReportBench("ui_gif_cpu_pct", gifPct, "%", "<", 2);
    return 0;
}
