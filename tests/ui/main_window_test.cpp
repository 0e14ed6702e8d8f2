#include "AppTestEnv.h"
#include "CApplicationDlg.h"
#include "CDeliveryPlaceholderDlg.h"
#include "CDevicesControlDlg.h"
#include "CGridCtrl.h"
#include "CSelectAdapterDlg.h"
#include "CTButtonPicture.h"
#include "WindowMessages.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrune;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::ProgramFolderForTests();
        adapters.entries = {{"Test Ethernet", "kt-none0", 0x10}};
        adapters.Install();
        CSqlManagement::GetInstance()->DeleteAllDevices();
        for (int i = 0; i < 3; ++i)
            CSqlManagement::GetInstance()->AddDevice(testenv::Device(0, static_cast<uint8_t>(i)));
        window = std::make_unique<CApplicationDlg>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override { window.reset(); }

    void ShowDevices()
    {
        window->ShowPage(PageDevicesControl);
        window->DevicesPage()->RefreshDevices(true, SortByMac);
    }

    void ClickCell(int row, int column)
    {
        CGridCtrl* grid = window->DevicesPage()->Grid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->CellRect(row, column).center());
    }

    testenv::FakeAdapters adapters;
    std::unique_ptr<CApplicationDlg> window;
};

struct Look {
    const char* name;
    bool minimiseShown;
    bool closeShown;
    int closeImageSet;
    SkinImage background;
    int visiblePage;  // 160..163
};

void ExpectLook(CApplicationDlg& window, const Look& look)
{
    SCOPED_TRACE(look.name);
    EXPECT_EQ(window.MinimiseButton()->isVisible(), look.minimiseShown);
    EXPECT_EQ(window.CloseButton()->isVisible(), look.closeShown);
    EXPECT_EQ(window.CloseImageSet(), look.closeImageSet);
    EXPECT_EQ(window.MainBackground(), look.background);
    EXPECT_FALSE(window.InfoButton()->isVisible());
    const std::pair<QWidget*, int> pages[] = {{window.AdapterPage(), PageSelectAdapter},
                                              {window.DevicesPage(), PageDevicesControl},
                                              {window.CustomizationPage(), PageDeviceCustomization},
                                              {window.AntiTheftPage(), PageAntiTheftProtection}};
    for (const auto& [page, id] : pages)
        EXPECT_EQ(page->isVisible(), id == look.visiblePage) << id;
}

}  // namespace

TEST_F(MainWindowTest, GeometryOfWindowAndPages)
{
    EXPECT_EQ(window->size(), QSize(817, 540));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->MinimiseButton()->geometry(), QRect(763, 16, 16, 16));
    EXPECT_EQ(window->CloseButton()->geometry(), QRect(784, 16, 16, 16));
    EXPECT_EQ(window->AdapterPage()->geometry(), QRect(247, 126, 324, 288));
    EXPECT_EQ(window->DevicesPage()->geometry(), QRect(0, 48, 817, 492));
    EXPECT_EQ(window->AntiTheftPage()->geometry(), QRect(198, 57, 420, 426));
    EXPECT_EQ(window->CustomizationPage()->geometry(), QRect(200, 142, 420, 324));
    const QWidget* pages[] = {window->AdapterPage(), window->DevicesPage(), window->AntiTheftPage(),
                              window->CustomizationPage()};
    for (const QWidget* page : pages)
        EXPECT_FALSE(page->isWindow());
    EXPECT_EQ(window->MinimiseButton()->toolTip(), "Min");
    EXPECT_EQ(window->CloseButton()->toolTip(), "Close");
    const auto actions = window->TrayMenu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), "Show Utility");
    EXPECT_EQ(actions[1]->text(), "Exit");
}

TEST_F(MainWindowTest, ThreeLooksAsThePagesChange)
{
    const Look adapterLook{"adapter page", false, true, 2, SkinImage::MainBkPng, PageSelectAdapter};
    const Look devicesLook{"devices page", true, true, 1, SkinImage::MainBkJpg, PageDevicesControl};
    ExpectLook(*window, adapterLook);

    ShowDevices();
    ExpectLook(*window, devicesLook);

    // A delivery button with two ticked rows opens its dialog with those MACs.
    const struct {
        CTButtonPicture* button;
        int page;
    } deliveries[] = {{window->DevicesPage()->CustomizationButton(), PageDeviceCustomization},
                      {window->DevicesPage()->AntiTheftButton(), PageAntiTheftProtection}};
    for (const auto& delivery : deliveries) {
        ShowDevices();
        ClickCell(1, 0);
        ClickCell(3, 0);
        QTest::mouseClick(delivery.button, Qt::LeftButton);
        ExpectLook(*window,
                   {"delivery dialog", false, false, 1, SkinImage::MainBk3Jpg, delivery.page});
        auto* dialog = dynamic_cast<CDeliveryPlaceholderDlg*>(
            delivery.page == PageAntiTheftProtection ? window->AntiTheftPage()
                                                     : window->CustomizationPage());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->Title(), delivery.page == PageAntiTheftProtection
                                       ? "Anti-Theft Protection"
                                       : "Device Customization");
        const std::vector<std::string> expected = {testenv::MacOf(0, 0), testenv::MacOf(0, 2)};
        EXPECT_EQ(dialog->DeviceList(), expected);
        // Its close button brings the devices page back.
        QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton);
        ExpectLook(*window, devicesLook);
    }

    // "Change" returns to the adapter page, without a minimise button, and
    // forgets every tick.
    ShowDevices();
    ClickCell(2, 0);
    EXPECT_EQ(window->DevicesPage()->CheckedCount(), 1);
    QTest::mouseClick(window->DevicesPage()->ChangeButton(), Qt::LeftButton);
    ExpectLook(*window, adapterLook);
    EXPECT_EQ(window->DevicesPage()->CheckedCount(), 0);
    EXPECT_EQ(window->DevicesPage()->CheckState(2), 0);
}

TEST_F(MainWindowTest, EnterAndEscapeLeaveWindowAndPageOpen)
{
    ShowDevices();
    QWidget* targets[] = {window.get(), window->DevicesPage(),
                          window->DevicesPage()->CustomizationButton(),
                          window->DevicesPage()->Grid()};
    for (QWidget* target : targets) {
        target->setFocus();
        for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(target, static_cast<Qt::Key>(key));
            QApplication::processEvents();
            EXPECT_TRUE(window->isVisible()) << key;
            EXPECT_TRUE(window->DevicesPage()->isVisible()) << key;
        }
    }
    // Nothing was pressed either: no delivery dialog opened, no note needed.
    EXPECT_FALSE(window->CustomizationPage()->isVisible());
    EXPECT_EQ(window->result(), 0);
}

TEST_F(MainWindowTest, MinimiseWithoutTrayMinimisesAndExitEnds)
{
    ShowDevices();
    if (window->TrayIcon() == nullptr) {
        QTest::mouseClick(window->MinimiseButton(), Qt::LeftButton);
        QApplication::processEvents();
        // The window can come back: it is minimised, not hidden.
        EXPECT_TRUE(window->isMinimized());
        EXPECT_TRUE(window->isVisible());
    } else {
        QTest::mouseClick(window->MinimiseButton(), Qt::LeftButton);
        EXPECT_FALSE(window->isVisible());
    }
    // "Show Utility" brings it back on the page it had.
    window->TrayMenu()->actions()[0]->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->DevicesPage()->isVisible());

    // "Exit" ends the window as the close button does, also while hidden.
    window->hide();
    window->TrayMenu()->actions()[1]->trigger();
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, CloseButtonEndsTheModalLoop)
{
    QTimer::singleShot(0, window.get(),
                       [this] { QTest::mouseClick(window->CloseButton(), Qt::LeftButton); });
    EXPECT_EQ(window->exec(), QDialog::Accepted);
}

TEST_F(MainWindowTest, ChineseTableTranslatesTheWindowAndItsPages)
{
    const std::string folder = testenv::ProgramFolderForTests().toStdString() + "/";
    InitLanguageForLocale(folder, 2052);
    window = std::make_unique<CApplicationDlg>();
    const auto actions = window->TrayMenu()->actions();
    EXPECT_EQ(actions[0]->text(), QString::fromUtf8("显示主界面"));
    EXPECT_EQ(actions[1]->text(), QString::fromUtf8("退出"));
    EXPECT_EQ(window->MinimiseButton()->toolTip(), QString::fromUtf8("最小化"));
    EXPECT_EQ(window->AdapterPage()->ScanButton()->text(), QString::fromUtf8("扫描设备"));
    EXPECT_EQ(window->DevicesPage()->ChangeButton()->text(), QString::fromUtf8("更换"));
    EXPECT_EQ(window->DevicesPage()->Grid()->GetItemText(0, 2), QString::fromUtf8("MAC 地址"));
    EXPECT_TRUE(window->AdapterPage()->HintText().contains(QString::fromUtf8("网卡")) ||
                window->AdapterPage()->HintText().contains(QString::fromUtf8("root")))
        << window->AdapterPage()->HintText().toStdString();
    window.reset();
    InitLanguageForLocale(folder, 1033);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
