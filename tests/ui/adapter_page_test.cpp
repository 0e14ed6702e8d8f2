#include "AppTestEnv.h"
#include "CApplicationDlg.h"
#include "CCustomComboBox.h"
#include "CDevicesControlDlg.h"
#include "CGridCtrl.h"
#include "CSelectAdapterDlg.h"
#include "CTButtonPicture.h"
#include "CTPicture.h"
#include "WindowMessages.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrune;

namespace {

// Every adapter here is made up: its capture device does not exist, so a
// scan opens nothing on this machine's interfaces.
class AdapterPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::ProgramFolderForTests();
        adapters.entries = {{"First Ethernet", "kt-none0", 0x10},
                            {"Second Ethernet", "kt-none1", 0x11}};
        adapters.Install();
        CSqlManagement::GetInstance()->DeleteAllDevices();
        window = std::make_unique<CApplicationDlg>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override
    {
        window.reset();
        AcTransmitManage::Instance()->StopThreads();
    }

    CSelectAdapterDlg* page() { return window->AdapterPage(); }
    CCustomComboBox* box() { return page()->AdapterBox(); }

    static QString Text(const char* description, int last)
    {
        return QString("%1 (02:00:00:00:00:%2)")
            .arg(description, QString::number(last, 16).toUpper().rightJustified(2, '0'));
    }

    // Ticks the scan timer by hand, n times (the page's own timer is held).
    void Tick(int n)
    {
        page()->ScanTimer().stop();
        for (int i = 0; i < n; ++i)
            page()->OnScanTimer();
    }

    testenv::FakeAdapters adapters;
    std::unique_ptr<CApplicationDlg> window;
};

}  // namespace

TEST_F(AdapterPageTest, FillKeepsTheRememberedChoiceOrTakesTheFirst)
{
    auto* transport = AcTransmitManage::Instance();
    // Fresh page: the first adapter, remembered and in use.
    EXPECT_EQ(box()->GetCount(), 2);
    EXPECT_EQ(box()->GetCurSel(), 0);
    EXPECT_EQ(page()->RememberedChoice(), Text("First Ethernet", 0x10));
    EXPECT_EQ(CurrentAdapterText(), Text("First Ethernet", 0x10));
    EXPECT_EQ(transport->AdapterMac()[5], 0x10);
    EXPECT_EQ(transport->CaptureName(), "kt-none0");

    // The second line is chosen and scanned with: a refill keeps it.
    box()->SetCurSel(1);
    page()->OnScanClicked();
    Tick(4);
    EXPECT_TRUE(window->DevicesPage()->isVisible());
    EXPECT_EQ(window->DevicesPage()->AdapterLabelText(), "NIC:" + Text("Second Ethernet", 0x11));
    page()->FillAdapterBox();
    EXPECT_EQ(box()->GetCurSel(), 1);
    EXPECT_EQ(transport->AdapterMac()[5], 0x11);
    EXPECT_EQ(transport->CaptureName(), "kt-none1");

    // The remembered adapter has gone: the first one is chosen.
    adapters.entries.erase(adapters.entries.begin() + 1);
    page()->FillAdapterBox();
    EXPECT_EQ(box()->GetCount(), 1);
    EXPECT_EQ(box()->GetCurSel(), 0);
    EXPECT_EQ(page()->RememberedChoice(), Text("First Ethernet", 0x10));
    EXPECT_EQ(transport->AdapterMac()[5], 0x10);
}

TEST_F(AdapterPageTest, NoAdapterShowsTheNoteAndStartsNothing)
{
    adapters.entries.clear();
    page()->FillAdapterBox();
    EXPECT_EQ(box()->GetCount(), 0);
    EXPECT_FALSE(page()->HintText().isEmpty());
    testenv::NoteRecorder notes;
    QTest::mouseClick(page()->ScanButton(), Qt::LeftButton);
    ASSERT_EQ(notes.notes->size(), 1u);
    EXPECT_EQ(notes.notes->at(0).title, "Note");
    EXPECT_EQ(notes.notes->at(0).text, "Ensure the computer's NIC is enabled!");
    EXPECT_FALSE(page()->Scanning());
    EXPECT_TRUE(page()->ScanAllowed());
    EXPECT_TRUE(page()->ScanButton()->isEnabled());

    // An adapter that appears later is found by the refill after the note.
    adapters.entries = {{"Late Ethernet", "kt-none2", 0x12}};
    QTest::mouseClick(page()->ScanButton(), Qt::LeftButton);
    EXPECT_EQ(notes.notes->size(), 2u);
    EXPECT_EQ(box()->GetCount(), 1);
    EXPECT_EQ(box()->GetCurSel(), 0);
}

TEST_F(AdapterPageTest, AdapterVanishingBeforeTheScanIsReportedNotScanned)
{
    box()->SetCurSel(1);
    adapters.entries.erase(adapters.entries.begin() + 1);
    page()->OnScanClicked();
    EXPECT_FALSE(page()->Scanning());
    EXPECT_TRUE(page()->ScanButton()->isEnabled());
    EXPECT_TRUE(page()->HintText().contains("Second Ethernet")) << page()->HintText().toStdString();
    // The box now offers what is there, and the transport kept the old adapter
    // rather than the one that took the vanished adapter's line.
    EXPECT_EQ(box()->GetCount(), 1);
    EXPECT_EQ(box()->GetCurSel(), 0);

    // Losing a line before the chosen one does not move the scan to another adapter.
    adapters.entries = {{"First Ethernet", "kt-none0", 0x10},
                        {"Second Ethernet", "kt-none1", 0x11}};
    page()->FillAdapterBox();
    box()->SetCurSel(1);
    adapters.entries.erase(adapters.entries.begin());
    page()->OnScanClicked();
    EXPECT_TRUE(page()->Scanning());
    EXPECT_EQ(AcTransmitManage::Instance()->AdapterMac()[5], 0x11);
    EXPECT_EQ(AcTransmitManage::Instance()->CaptureName(), "kt-none1");
}

TEST_F(AdapterPageTest, ScanWithoutCaptureTellsWhyAndSettlesOnAnEmptyList)
{
    // The capture on a made-up device never opens: as root the line names the
    // device; without the rights it gives the command that grants them.
    const QString command =
        "sudo setcap cap_net_raw,cap_net_admin=eip " + QCoreApplication::applicationFilePath();
    const struct {
        bool permitted;
        QString expected;
    } cases[] = {{true, "kt-none0"}, {false, command}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.permitted);
        OverrideCapturePermitted(c.permitted);
        page()->FillAdapterBox();
        if (!c.permitted) {
            EXPECT_TRUE(page()->HintText().contains(command)) << page()->HintText().toStdString();
        }
        QTest::mouseClick(page()->ScanButton(), Qt::LeftButton);
        ASSERT_TRUE(page()->Scanning());
        EXPECT_FALSE(page()->ScanAllowed());
        EXPECT_FALSE(page()->ScanButton()->isEnabled());
        EXPECT_EQ(page()->ScanButton()->text(), "Scanning for devices");
        EXPECT_TRUE(page()->WaitAnimation()->isVisible());
        EXPECT_FALSE(AcTransmitManage::Instance()->Receiving());
        EXPECT_TRUE(page()->HintText().contains(c.expected)) << page()->HintText().toStdString();
        // A second click while scanning does nothing.
        page()->OnScanClicked();
        Tick(3);
        EXPECT_TRUE(page()->Scanning());
        Tick(1);
        EXPECT_FALSE(page()->Scanning());
        EXPECT_TRUE(page()->ScanAllowed());
        EXPECT_TRUE(page()->ScanButton()->isEnabled());
        EXPECT_EQ(page()->ScanButton()->text(), "Scan Devices");
        EXPECT_FALSE(page()->WaitAnimation()->isVisible());
        EXPECT_TRUE(window->DevicesPage()->isVisible());
        EXPECT_EQ(window->DevicesPage()->Grid()->GetRowCount(), 1);
        window->ShowPage(PageSelectAdapter);
    }
    OverrideCapturePermitted(std::nullopt);
}

TEST_F(AdapterPageTest, ScanGoesOnWhileDevicesArriveAndListsThemSorted)
{
    auto* sql = CSqlManagement::GetInstance();
    sql->AddDevice(testenv::Device(0, 9));  // a device of an earlier scan
    page()->OnScanClicked();
    EXPECT_EQ(window->DevicesPage()->Grid()->GetRowCount(), 1);
    Tick(1);
    sql->AddDevice(testenv::Device(0, 5));
    Tick(3);  // tick 4: one more device than at tick 1
    EXPECT_TRUE(page()->Scanning());
    sql->AddDevice(testenv::Device(0, 3));
    Tick(4);  // tick 8: grew again
    EXPECT_TRUE(page()->Scanning());
    Tick(4);  // tick 12: no growth
    EXPECT_FALSE(page()->Scanning());
    CGridCtrl* grid = window->DevicesPage()->Grid();
    ASSERT_EQ(grid->GetRowCount(), 3);  // the earlier scan's device was emptied out
    EXPECT_EQ(grid->GetItemText(1, 2), QString::fromStdString(testenv::MacOf(0, 3)));
    EXPECT_EQ(grid->GetItemText(2, 2), QString::fromStdString(testenv::MacOf(0, 5)));
}

TEST_F(AdapterPageTest, ClosedDatabaseStillScansAndSays)
{
    CSqlManagement closed("/proc/kestrune-no-such-folder");
    window->SetDatabase(&closed);
    OverrideCapturePermitted(true);
    page()->FillAdapterBox();
    OverrideCapturePermitted(std::nullopt);
    EXPECT_TRUE(page()->HintText().contains("database")) << page()->HintText().toStdString();
    page()->OnScanClicked();
    Tick(4);
    EXPECT_FALSE(page()->Scanning());
    EXPECT_TRUE(window->DevicesPage()->isVisible());
    EXPECT_EQ(window->DevicesPage()->Grid()->GetRowCount(), 1);
    window->SetDatabase(CSqlManagement::GetInstance());
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
