#include "AppTestEnv.h"
#include "CApplicationDlg.h"
#include "CDevicesControlDlg.h"
#include "CGridCtrl.h"
#include "CTButtonPicture.h"
#include "WindowMessages.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrune;
using Page = CDevicesControlDlg;

namespace {

class DevicesPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::ProgramFolderForTests();
        adapters.entries = {{"Test Ethernet", "kt-none0", 0x10}};
        adapters.Install();
        sql()->DeleteAllDevices();
        window = std::make_unique<CApplicationDlg>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override { window.reset(); }

    static CSqlManagement* sql() { return CSqlManagement::GetInstance(); }
    Page* page() { return window->DevicesPage(); }
    CGridCtrl* grid() { return page()->Grid(); }

    // Devices 00:11:22:33:00:<last> for each given last byte, then the page.
    void Load(std::initializer_list<uint8_t> lasts)
    {
        for (uint8_t last : lasts)
            ASSERT_TRUE(sql()->AddDevice(testenv::Device(0, last)));
        window->ShowPage(PageDevicesControl);
        page()->RefreshDevices(true, SortByMac);
    }

    void Click(int row, int column)
    {
        grid()->EnsureRowVisible(row);
        const QRect cell = grid()->CellRect(row, column);
        ASSERT_FALSE(cell.isEmpty()) << row << "," << column;
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    }

    std::vector<QString> Macs()
    {
        std::vector<QString> macs;
        for (int r = 1; r < grid()->GetRowCount(); ++r)
            macs.push_back(grid()->GetItemText(r, Page::ColumnMac));
        return macs;
    }

    void StartWatch()
    {
        QCoreApplication::postEvent(page(),
                                    new PostedMessage(kOperationStartedCustomization, 0, 1));
        QCoreApplication::processEvents();
    }

    testenv::FakeAdapters adapters;
    std::unique_ptr<CApplicationDlg> window;
};

}  // namespace

TEST_F(DevicesPageTest, RebuildListsDatabaseRowsWithNumbersAndStatusImages)
{
    Load({3, 1, 2});
    sql()->UpdateParaStatus(testenv::MacOf(0, 2), OperateSuccess);
    sql()->UpdateParaStatus(testenv::MacOf(0, 3), Operating);
    page()->RefreshDevices(true, SortByMac);
    ASSERT_EQ(grid()->GetRowCount(), 4);
    EXPECT_EQ(grid()->GetRowHeight(0), 38);
    EXPECT_EQ(grid()->GetRowHeight(1), 48);
    EXPECT_EQ(grid()->GetItemText(0, 2), "MAC Address");
    const int images[] = {Page::ImageNone, Page::ImageSuccess, Page::ImageOperating};
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(grid()->GetItemText(r, 1), QString::number(r));
        EXPECT_EQ(grid()->GetItemText(r, 2), QString::fromStdString(testenv::MacOf(0, r)));
        EXPECT_EQ(grid()->GetItemImage(r, 3), images[r - 1]);
        EXPECT_EQ(grid()->GetItemImage(r, 0), Page::ImageUnselect);
    }
    EXPECT_EQ(page()->SuccessText(), "1");
    EXPECT_EQ(page()->FailText(), "0");
    EXPECT_EQ(grid()->GetSortColumn(), 2);
}

TEST_F(DevicesPageTest, CheckLogicWithThreeRows)
{
    Load({1, 2, 3});
    struct Step {
        int row;
        int column;
        int headerState;
        int headerImage;
        int checked;
    };
    // One row: partial; the other two: all; the header then: none; again: all;
    // a click outside the check column changes nothing.
    const Step steps[] = {
        {1, 0, 2, Page::ImagePartSelect, 1}, {2, 0, 2, Page::ImagePartSelect, 2},
        {3, 0, 1, Page::ImageSelect, 3},     {0, 0, 0, Page::ImageUnselect, 0},
        {0, 0, 1, Page::ImageSelect, 3},     {2, 0, 2, Page::ImagePartSelect, 2},
        {2, 2, 2, Page::ImagePartSelect, 2}, {0, 1, 2, Page::ImagePartSelect, 2},
        {0, 0, 0, Page::ImageUnselect, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << "click " << step.row << "," << step.column);
        Click(step.row, step.column);
        EXPECT_EQ(page()->CheckState(0), step.headerState);
        EXPECT_EQ(grid()->GetItemImage(0, 0), step.headerImage);
        EXPECT_EQ(page()->CheckedCount(), step.checked);
        int ticked = 0;
        for (int r = 1; r <= 3; ++r) {
            ticked += page()->CheckState(r);
            EXPECT_EQ(grid()->GetItemImage(r, 0),
                      page()->CheckState(r) ? Page::ImageSelect : Page::ImageUnselect);
        }
        EXPECT_EQ(ticked, step.checked);
    }
}

TEST_F(DevicesPageTest, MoreThanAThousandRowsKeepTheirChecks)
{
    std::vector<uint8_t> none;
    for (int i = 0; i < 1500; ++i)
        ASSERT_TRUE(sql()->AddDevice(
            testenv::Device(static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i & 0xFF))));
    window->ShowPage(PageDevicesControl);
    page()->RefreshDevices(true, SortByMac);
    ASSERT_EQ(grid()->GetRowCount(), 1501);
    Click(1500, 0);
    Click(1024, 0);
    EXPECT_EQ(page()->CheckState(1500), 1);
    EXPECT_EQ(page()->CheckState(1024), 1);
    EXPECT_EQ(page()->CheckedCount(), 2);
    EXPECT_EQ(page()->CheckState(0), 2);
    Click(0, 0);
    Click(0, 0);
    EXPECT_EQ(page()->CheckedCount(), 1500);
    EXPECT_EQ(page()->CheckState(0), 1);
    // The ticked MACs go to the dialog in row order, the last one included.
    QTest::mouseClick(page()->AntiTheftButton(), Qt::LeftButton);
    ASSERT_EQ(page()->Selection().size(), 1500u);
    EXPECT_EQ(page()->Selection().back(), testenv::MacOf(1499 >> 8, 1499 & 0xFF));
}

TEST_F(DevicesPageTest, SortHeadersFlipDirectionAndUncheck)
{
    Load({2, 3, 1});
    const std::vector<QString> ascending = {QString::fromStdString(testenv::MacOf(0, 1)),
                                            QString::fromStdString(testenv::MacOf(0, 2)),
                                            QString::fromStdString(testenv::MacOf(0, 3))};
    const std::vector<QString> descending(ascending.rbegin(), ascending.rend());
    EXPECT_EQ(Macs(), ascending);

    struct Step {
        int column;
        std::vector<QString> order;
        bool markAscending;
    };
    const Step steps[] = {{2, ascending, true}, {2, descending, false}, {2, ascending, true}};
    for (const auto& step : steps) {
        Click(1, 0);
        Click(3, 0);
        ASSERT_EQ(page()->CheckedCount(), 2);
        Click(0, step.column);
        EXPECT_EQ(Macs(), step.order);
        EXPECT_EQ(grid()->GetSortColumn(), step.column);
        EXPECT_EQ(grid()->GetSortAscending(), step.markAscending);
        EXPECT_EQ(page()->CheckedCount(), 0);
        EXPECT_EQ(page()->CheckState(0), 0);
        for (int r = 1; r <= 3; ++r)
            EXPECT_EQ(page()->CheckState(r), 0);
        EXPECT_EQ(grid()->GetItemImage(0, 0), Page::ImageUnselect);
    }

    // By result: rows that have a stored result sort apart from those without.
    sql()->UpdateResult(testenv::MacOf(0, 2), ResultFail);
    Click(0, 3);  // the direction is descending now
    EXPECT_EQ(grid()->GetSortColumn(), 3);
    EXPECT_EQ(grid()->GetItemText(1, 2), QString::fromStdString(testenv::MacOf(0, 2)));
    Click(0, 3);
    EXPECT_EQ(grid()->GetItemText(3, 2), QString::fromStdString(testenv::MacOf(0, 2)));
}

TEST_F(DevicesPageTest, DeliveryWithoutSelectionShowsNote)
{
    Load({1, 2});
    testenv::NoteRecorder notes;
    for (auto* button : {page()->CustomizationButton(), page()->AntiTheftButton()})
        QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(notes.notes->size(), 2u);
    for (const auto& note : *notes.notes) {
        EXPECT_EQ(note.title, "Note");
        EXPECT_EQ(note.text, "Please select the devices!");
        EXPECT_FALSE(note.withCancel);
    }
    EXPECT_TRUE(page()->isVisible());
    EXPECT_FALSE(window->CustomizationPage()->isVisible());
    EXPECT_FALSE(window->AntiTheftPage()->isVisible());
}

TEST_F(DevicesPageTest, WatchEndsAtFirstThreeSecondTickOnceAllSelectedFinished)
{
    Load({1, 2, 3});
    Click(1, 0);
    Click(2, 0);
    QTest::mouseClick(page()->CustomizationButton(), Qt::LeftButton);
    window->ShowPage(PageDevicesControl);
    ASSERT_EQ(page()->Selection().size(), 2u);

    // A notice from no dialog is ignored.
    QCoreApplication::postEvent(page(), new PostedMessage(kOperationStartedAntiTheft, 0, 0));
    QCoreApplication::processEvents();
    EXPECT_FALSE(page()->Watching());

    sql()->ResetAllStatus();
    sql()->UpdateParaStatus(testenv::MacOf(0, 1), Operating);
    sql()->UpdateParaStatus(testenv::MacOf(0, 2), Operating);
    StartWatch();
    ASSERT_TRUE(page()->Watching());
    for (auto* control :
         std::initializer_list<QWidget*>{page()->CustomizationButton(), page()->AntiTheftButton(),
                                         page()->ChangeButton(), grid()})
        EXPECT_FALSE(control->isEnabled());
    for (int r = 1; r <= 3; ++r)
        EXPECT_EQ(grid()->GetItemImage(r, 3), Page::ImageNone);

    // t = 1, 2: still operating; the rows lose their ticks.
    page()->OnWatchTimer1000();
    EXPECT_EQ(grid()->GetItemImage(1, 3), Page::ImageOperating);
    EXPECT_EQ(page()->CheckState(1), 0);
    EXPECT_EQ(grid()->GetItemImage(1, 0), Page::ImageUnselect);
    EXPECT_EQ(page()->CheckedCount(), 0);
    page()->OnWatchTimer1000();
    page()->OnWatchTimer2000();
    // One succeeds, one fails before t = 3, but the counts come from the
    // timer-2000 refresh: the 3 s tick still sees the old counts.
    sql()->UpdateParaStatus(testenv::MacOf(0, 1), OperateSuccess);
    sql()->UpdateParaStatus(testenv::MacOf(0, 2), TransmitFail);
    page()->OnWatchTimer1000();
    page()->OnWatchTimer3000();
    EXPECT_TRUE(page()->Watching());
    EXPECT_EQ(grid()->GetItemImage(1, 3), Page::ImageSuccess);
    EXPECT_EQ(grid()->GetItemImage(2, 3), Page::ImageError);
    EXPECT_EQ(grid()->GetItemImage(3, 3), Page::ImageNone);
    // t = 4: the refresh counts both; t = 6: the watch ends.
    page()->OnWatchTimer1000();
    page()->OnWatchTimer2000();
    EXPECT_EQ(page()->SuccessText(), "1");
    EXPECT_EQ(page()->FailText(), "1");
    page()->OnWatchTimer1000();
    page()->OnWatchTimer3000();
    EXPECT_FALSE(page()->Watching());
    EXPECT_EQ(page()->WatchClock(), 0);
    EXPECT_TRUE(page()->Selection().empty());
    for (auto* control :
         std::initializer_list<QWidget*>{page()->CustomizationButton(), page()->AntiTheftButton(),
                                         page()->ChangeButton(), grid()})
        EXPECT_TRUE(control->isEnabled());
    // The results were written back for the next sort by result.
    EXPECT_EQ(sql()->GetResultClass(testenv::MacOf(0, 1)), ResultSuccess);
}

TEST_F(DevicesPageTest, WatchEndsAfterFifteenSecondsWhenADeviceNeverReports)
{
    Load({1, 2});
    Click(0, 0);
    QTest::mouseClick(page()->AntiTheftButton(), Qt::LeftButton);
    window->ShowPage(PageDevicesControl);
    sql()->ResetAllStatus();
    sql()->UpdateAntiTheftStatus(testenv::MacOf(0, 1), OperateSuccess);
    sql()->UpdateAntiTheftStatus(testenv::MacOf(0, 2), TransmitFinish);
    StartWatch();
    for (int second = 1; second <= 15; ++second) {
        SCOPED_TRACE(second);
        EXPECT_TRUE(page()->Watching());
        page()->OnWatchTimer1000();
        if (second % 2 == 0)
            page()->OnWatchTimer2000();
        if (second % 3 == 0)
            page()->OnWatchTimer3000();
    }
    EXPECT_FALSE(page()->Watching());
    // The device that finished its transfer but never reported still shows operating.
    EXPECT_EQ(grid()->GetItemImage(1, 3), Page::ImageSuccess);
    EXPECT_EQ(grid()->GetItemImage(2, 3), Page::ImageOperating);
    EXPECT_TRUE(page()->ChangeButton()->isEnabled());
}

TEST_F(DevicesPageTest, ClosedDatabaseGivesEmptyGridAndZeroCounters)
{
    Load({1, 2});
    ASSERT_EQ(grid()->GetRowCount(), 3);
    CSqlManagement closed("/proc/kestrune-no-such-folder");
    ASSERT_FALSE(closed.IsOpen());
    window->SetDatabase(&closed);
    page()->RefreshDevices(true, SortByMac);
    EXPECT_EQ(grid()->GetRowCount(), 1);
    EXPECT_EQ(page()->SuccessText(), "0");
    EXPECT_EQ(page()->FailText(), "0");
    window->SetDatabase(sql());
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
