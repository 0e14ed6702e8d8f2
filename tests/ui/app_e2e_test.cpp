// The real main window, headless, facing simulated devices on a private
// segment: scan, see the devices listed, scan again. With
// KESTRUNE_SCREENSHOT_DIR set it also saves the adapter page, the scanning
// state and the devices page there.

#include "AppTestEnv.h"
#include "CApplicationDlg.h"
#include "CCustomComboBox.h"
#include "CDevicesControlDlg.h"
#include "CGridCtrl.h"
#include "CSelectAdapterDlg.h"
#include "CTButtonPicture.h"
#include "SegmentTest.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace kestrune;
using namespace std::chrono_literals;

namespace {

constexpr int kDevices = 20;

void Screenshot(QWidget& window, const char* name)
{
    const char* dir = std::getenv("KESTRUNE_SCREENSHOT_DIR");
    if (!dir || !*dir)
        return;
    QDir().mkpath(dir);
    QApplication::processEvents();
    const QString path = QString::fromUtf8(dir) + "/" + name + ".png";
    EXPECT_TRUE(window.grab().save(path)) << path.toStdString();
}

std::vector<std::string> ExpectedMacs()
{
    std::vector<std::string> macs;
    for (int i = 1; i <= kDevices; ++i) {
        const uint8_t mac[6] = {0x02, 0x6B, 0x73, 0x00, 0x00, static_cast<uint8_t>(i)};
        macs.push_back(MacText(mac));
    }
    std::sort(macs.begin(), macs.end());
    return macs;
}

std::vector<std::string> ListedMacs(CDevicesControlDlg* page)
{
    std::vector<std::string> macs;
    CGridCtrl* grid = page->Grid();
    for (int r = 1; r < grid->GetRowCount(); ++r)
        macs.push_back(grid->GetItemText(r, CDevicesControlDlg::ColumnMac).toStdString());
    return macs;
}

// Clicks "Scan Devices" and waits for the devices page, as an operator would.
bool ScanAndWait(CApplicationDlg& window, bool screenshot)
{
    QTest::mouseClick(window.AdapterPage()->ScanButton(), Qt::LeftButton);
    if (!window.AdapterPage()->Scanning())
        return false;
    if (screenshot) {
        QTest::qWait(700);
        Screenshot(window, "scanning");
    }
    return QTest::qWaitFor([&] { return window.DevicesPage()->isVisible(); }, 30000);
}

}  // namespace

class AppEndToEnd : public netns::SegmentTest {};

TEST_F(AppEndToEnd, ScanListsTheSimulatedDevicesSortedOnceEach)
{
    testenv::ProgramFolderForTests();
    auto devsim = segment->StartDevsim(
        {"--devices", std::to_string(kDevices), "--base-mac", "02:6B:73:00:00:01"});
    ASSERT_FALSE(devsim->WaitForLine("READY", 10s).empty()) << "the simulator did not start";

    CApplicationDlg window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // This process sees only its own end of the segment.
    CCustomComboBox* box = window.AdapterPage()->AdapterBox();
    ASSERT_EQ(box->GetCount(), 1);
    EXPECT_TRUE(box->GetItemText(0).contains(QString::fromStdString(segment->ToolMacText())));
    EXPECT_EQ(box->GetCurSel(), 0);
    Screenshot(window, "adapter-page");

    ASSERT_TRUE(ScanAndWait(window, true)) << "the scan did not settle";
    EXPECT_TRUE(AcTransmitManage::Instance()->Receiving());
    const auto expected = ExpectedMacs();
    EXPECT_EQ(ListedMacs(window.DevicesPage()), expected);
    EXPECT_EQ(window.DevicesPage()->AdapterLabelText(), "NIC:" + box->GetItemText(0).left(70));
    Screenshot(window, "devices-page");

    // "Change", then a second scan: the same devices, each once.
    QTest::mouseClick(window.DevicesPage()->ChangeButton(), Qt::LeftButton);
    ASSERT_TRUE(window.AdapterPage()->isVisible());
    ASSERT_TRUE(ScanAndWait(window, false)) << "the second scan did not settle";
    EXPECT_EQ(ListedMacs(window.DevicesPage()), expected);

    window.OnExit();
    AcTransmitManage::Instance()->StopThreads();
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
