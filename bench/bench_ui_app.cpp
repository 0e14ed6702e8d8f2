// The devices page with many devices, and a whole scan of simulated devices
// through the real main window:
//   ui_grid_rebuild_1000_ms  rebuilding and painting the grid with 1,000 devices
//   ui_watch_tick_1000_ms    one tick of the watch's timer 1000 with 1,000 selected
//   app_scan_settle_200_ms   "Scan Devices" to the settled list of 200 simulated
//                            devices, less the scan rule's four-second floor
//                            (needs root: it builds a private segment)

#include "AppTestEnv.h"
#include "BenchReport.h"
#include "CApplicationDlg.h"
#include "CDevicesControlDlg.h"
#include "CGridCtrl.h"
#include "CSelectAdapterDlg.h"
#include "CTButtonPicture.h"
#include "VirtualSegment.h"
#include "WindowMessages.h"

#include <QApplication>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <memory>

using namespace kestrune;
using namespace std::chrono_literals;

namespace {

void BenchDevicesPage()
{
    static testenv::FakeAdapters adapters;
    adapters.entries = {{"Bench Ethernet", "kb-none0", 0x20}};
    adapters.Install();
    CSqlManagement* sql = CSqlManagement::GetInstance();
    sql->DeleteAllDevices();
    for (int i = 0; i < 1000; ++i)
        sql->AddDevice(testenv::Device(static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)));

    CApplicationDlg window;
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    window.ShowPage(PageDevicesControl);
    CDevicesControlDlg* page = window.DevicesPage();
    CGridCtrl* grid = page->Grid();

    std::vector<double> rebuild;
    for (int run = 0; run < 15; ++run) {
        rebuild.push_back(MicrosecondsOf([&] {
                              page->RefreshDevices(true, SortByMac);
                              grid->viewport()->repaint();
                          }) /
                          1000.0);
    }
    if (grid->GetRowCount() != 1001)
        std::fprintf(stderr, "bench: the grid holds %d rows, not 1001\n", grid->GetRowCount());
    ReportBench("ui_grid_rebuild_1000_ms", MedianOf(rebuild), "ms", "<", 100);

    // Every row ticked and handed to a delivery, then the watch started.
    page->OnGridClick(0, CDevicesControlDlg::ColumnCheck);
    QTest::mouseClick(page->CustomizationButton(), Qt::LeftButton);
    window.ShowPage(PageDevicesControl);
    page->OnOperationStarted(1);
    std::vector<double> ticks;
    for (int run = 0; run < 10; ++run) {
        ticks.push_back(MicrosecondsOf([&] {
                            page->OnWatchTimer1000();
                            grid->viewport()->repaint();
                        }) /
                        1000.0);
    }
    if (page->Selection().size() != 1000)
        std::fprintf(stderr, "bench: %zu devices selected, not 1000\n", page->Selection().size());
    ReportBench("ui_watch_tick_1000_ms", MedianOf(ticks), "ms", "<", 50);
    window.OnExit();
    sql->DeleteAllDevices();
}

void BenchScanSettle()
{
    std::unique_ptr<netns::VirtualSegment> segment;
    try {
        segment = std::make_unique<netns::VirtualSegment>();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench: app_scan_settle_200_ms not measured: %s\n", error.what());
        return;
    }
    auto devsim = segment->StartDevsim({"--devices", "200"});
    if (devsim->WaitForLine("READY", 10s).empty()) {
        std::fprintf(stderr, "bench: the simulator did not start\n");
        return;
    }
    // The machine's own adapter list: in this process it holds only the segment's end.

    std::vector<double> settle;
    for (int run = 0; run < 3; ++run) {
        CApplicationDlg window;
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
        const auto start = std::chrono::steady_clock::now();
        QTest::mouseClick(window.AdapterPage()->ScanButton(), Qt::LeftButton);
        const bool settled = QTest::qWaitFor(
            [&] {
                return window.DevicesPage()->isVisible() &&
                       window.DevicesPage()->Grid()->GetRowCount() == 201;
            },
            30000);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (!settled) {
            std::fprintf(stderr, "bench: the scan listed %d devices, not 200\n",
                         window.DevicesPage()->Grid()->GetRowCount() - 1);
            return;
        }
        settle.push_back(ms - 4000.0);
        window.OnExit();
    }
    ReportBench("app_scan_settle_200_ms", MedianOf(settle), "ms", "<", 500);
    AcTransmitManage::Instance()->StopThreads();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    testenv::ProgramFolderForTests();
    // The scan first, while the transport still lists the system's adapters.
    BenchScanSettle();
    BenchDevicesPage();
    return 0;
}
