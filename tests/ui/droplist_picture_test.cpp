// The drop-down list and the picture control with its animation thread.

#include "CCustomComboBox.h"
#include "CDropListBoxWnd.h"
#include "CDropListWnd.h"
#include "CTPicture.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace kestrune;
using namespace uitest;

namespace {

struct ComboHost {
    ComboHost()
    {
        window.resize(400, 300);
        combo = new CCustomComboBox(&window);
        combo->setGeometry(20, 20, 218, 24);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QWidget window;
    CCustomComboBox* combo;
};

}  // namespace

// ----------------------------------------------------------- the combo box

TEST(CCustomComboBoxTest, DeletingKeepsTheSameItemOrLeavesNothingSelected)
{
    CCustomComboBox combo;
    for (const char* name : {"eth0", "eth1", "eth2", "eth3"})
        combo.AddString(QString::fromLatin1(name), 100 + combo.GetCount());
    EXPECT_EQ(combo.GetCount(), 4);
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetSelectedText(), QString());

    ASSERT_TRUE(combo.SetCurSel(2));
    EXPECT_EQ(combo.GetSelectedText(), QStringLiteral("eth2"));

    // Above the selection: the same item stays selected at its new index.
    ASSERT_TRUE(combo.DeleteString(0));
    EXPECT_EQ(combo.GetCurSel(), 1);
    EXPECT_EQ(combo.GetSelectedText(), QStringLiteral("eth2"));
    EXPECT_EQ(combo.GetItemData(1), 102);

    // Below the selection: nothing moves.
    ASSERT_TRUE(combo.DeleteString(2));
    EXPECT_EQ(combo.GetCurSel(), 1);
    EXPECT_EQ(combo.GetSelectedText(), QStringLiteral("eth2"));

    // The selected item itself: nothing is selected.
    ASSERT_TRUE(combo.DeleteString(1));
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetSelectedText(), QString());
    EXPECT_EQ(combo.GetCount(), 1);

    // Out of range is refused and changes nothing.
    EXPECT_FALSE(combo.DeleteString(5));
    EXPECT_FALSE(combo.DeleteString(-1));
    EXPECT_FALSE(combo.SetCurSel(1));
    EXPECT_EQ(combo.GetItemText(7), QString());
    EXPECT_EQ(combo.GetCount(), 1);

    combo.SetCurSel(0);
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_EQ(combo.GetCurSel(), -1);
}

TEST(CCustomComboBoxTest, FieldShowsTheSelectionOrThePlaceholder)
{
    ComboHost host;
    CCustomComboBox& combo = *host.combo;
    combo.SetPlaceholderText(QStringLiteral("WWWWWW"));
    combo.SetTextFont(QFont(combo.TextFont().family(), 12, QFont::Bold));
    combo.AddString(QStringLiteral("WWWWWW"));
    // Colours far apart, so anti-aliased edges of one never pass for the other.
    ComboStyle distinct;
    distinct.placeholderText = QColor(0, 170, 0);
    distinct.itemText = QColor(200, 0, 0);
    combo.SetStyle(distinct);
    const ComboStyle& style = combo.Style();
    const QRect textArea(8, 2, 150, 20);

    auto inkIn = [&](const QColor& colour) {
        return CountNear(Grab(&combo), textArea, colour, 40);
    };
    EXPECT_GT(inkIn(style.placeholderText), 10);
    EXPECT_EQ(inkIn(style.itemText), 0);

    combo.SetCurSel(0);
    EXPECT_EQ(inkIn(style.placeholderText), 0);
    EXPECT_GT(inkIn(style.itemText), 10);

    combo.DeleteString(0);  // the selected item goes: the placeholder is back
    EXPECT_GT(inkIn(style.placeholderText), 10);

    // Border: normal, then hot while hovered.
    EXPECT_TRUE(Near(Grab(&combo).pixelColor(100, 0), style.borderNormal));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), combo.mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(&combo, &enter);
    EXPECT_TRUE(Near(Grab(&combo).pixelColor(100, 0), style.borderHot));
}

TEST(CCustomComboBoxTest, DroppedListHighlightsAndTicksTheSelectedItem)
{
    ComboHost host;
    CCustomComboBox& combo = *host.combo;
    combo.SetStyle(ComboStyle::TemplateDialog());
    combo.resize(218, 24);
    for (const char* name : {"Alpha", "Beta", "Gamma"})
        combo.AddString(QString::fromLatin1(name));
    combo.SetCurSel(1);
    combo.ShowDropDown();
    ASSERT_TRUE(combo.IsDroppedDown());
    CDropListBoxWnd* list = combo.DropList()->ListBox();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(combo.DropList()));
    EXPECT_EQ(list->viewport()->height(), 3 * 20);

    const ComboStyle& style = combo.Style();
    const QImage shot = list->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const int w = shot.width();
    // The tick sits at the right end of the selected row only, in the
    // highlight text colour, on the highlight fill.
    const QRect tickArea(w - 8 - 16, 0, 16, 20);
    EXPECT_GT(CountNear(shot, tickArea.translated(0, 20), style.highlightText, 30), 6);
    EXPECT_EQ(CountNear(shot, tickArea, style.highlightText, 30), 0);
    EXPECT_EQ(CountNear(shot, tickArea.translated(0, 40), style.highlightText, 30), 0);
    EXPECT_TRUE(Near(shot.pixelColor(w / 2, 30), style.highlightFill, 4));
    EXPECT_TRUE(Near(shot.pixelColor(w / 2, 10), style.listBackground, 4));
    // Separators between rows, 12 pixels in, none after the last.
    EXPECT_TRUE(Near(shot.pixelColor(w / 2, 19), style.separator, 4));
    EXPECT_TRUE(Near(shot.pixelColor(5, 19), style.listBackground, 4));
    EXPECT_TRUE(Near(shot.pixelColor(w / 2, 59), style.listBackground, 4));

    // Choosing an item with the mouse selects it and closes the list.
    QSignalSpy chosen(&combo, &CCustomComboBox::SelectionChanged);
    QTest::mouseMove(list->viewport(), QPoint(40, 50));
    EXPECT_EQ(list->HoveredIndex(), 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(40, 50));
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_FALSE(combo.IsDroppedDown());

    // A disabled item cannot be chosen.
    combo.SetItemEnabled(0, false);
    combo.ShowDropDown();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(40, 5));
    EXPECT_EQ(combo.GetCurSel(), 2);
    combo.ShowDropDown(false);
}

TEST(CCustomComboBoxTest, ToolTipOnlyForTextsThatDoNotFit)
{
    ComboHost host;
    CCustomComboBox& combo = *host.combo;
    combo.AddString(QStringLiteral("eth0"));
    combo.AddString(
        QStringLiteral("Intel Corporation Ethernet Connection I219-LM with a long name"));
    combo.ShowDropDown();
    CDropListBoxWnd* list = combo.DropList()->ListBox();
    EXPECT_EQ(list->ToolTipTextAt(0), QString());
    EXPECT_EQ(list->ToolTipTextAt(1), combo.GetItemText(1));
    EXPECT_EQ(list->ToolTipTextAt(5), QString());
    combo.ShowDropDown(false);
}

// ----------------------------------------------------------------- pictures

TEST(CTPictureTest, GifFramesRunWithTheirDelaysInALoop)
{
    QWidget window;
    window.resize(100, 100);
    CTPicture picture(&window);
    const QByteArray gif = MakeGif(6, 4, {{10, 0}, {20, 1}, {30, 2}});
    ASSERT_TRUE(picture.LoadFromMemory(gif));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_EQ(picture.FrameCount(), 3);
    EXPECT_TRUE(picture.IsAnimated());
    EXPECT_EQ(picture.size(), QSize(6, 4));
    EXPECT_EQ(picture.FrameDelayMs(0), 100);
    EXPECT_EQ(picture.FrameDelayMs(1), 200);
    EXPECT_EQ(picture.FrameDelayMs(2), 300);
    // The frames decode to their own colours.
    EXPECT_TRUE(Near(picture.FrameImage(0).pixelColor(3, 2), QColor(255, 0, 0)));
    EXPECT_TRUE(Near(picture.FrameImage(1).pixelColor(3, 2), QColor(0, 255, 0)));
    EXPECT_TRUE(Near(picture.FrameImage(2).pixelColor(3, 2), QColor(0, 0, 255)));

    // Frame, when the thread handed it over, when the window thread got it.
    struct Shown {
        int frame;
        std::chrono::steady_clock::time_point handed;
        std::chrono::steady_clock::time_point received;
    };
    std::vector<Shown> shown;
    QObject::connect(&picture, &CTPicture::FrameShown, [&](int index) {
        shown.push_back({index, picture.FrameHandedOverAt(), std::chrono::steady_clock::now()});
        // Handed over on the window thread, and the widget shows that frame.
        EXPECT_EQ(QThread::currentThread(), QApplication::instance()->thread());
        EXPECT_EQ(picture.CurrentFrame(), index);
    });
    ASSERT_TRUE(picture.Start());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown.size() >= 8; }, 5000));
    picture.Stop();
    ASSERT_GE(shown.size(), 8u);
    auto ms = [](auto from, auto to) {
        return static_cast<double>(
            std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
    };
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i].frame, static_cast<int>(i % 3));
    // Each frame lasts its delay from one hand-over to the next (generous
    // tolerance for a loaded machine).
    double expectedTotal = 0;
    for (size_t i = 0; i + 1 < shown.size(); ++i) {
        const double expected = (shown[i].frame + 1) * 100.0;
        expectedTotal += expected;
        EXPECT_NEAR(ms(shown[i].handed, shown[i + 1].handed), expected, 60.0)
            << "frame " << shown[i].frame;
    }
    // What the window shows keeps the same pace: late deliveries do not add up.
    EXPECT_NEAR(ms(shown.front().received, shown.back().received), expectedTotal, 150.0);
    EXPECT_TRUE(Near(Grab(&picture).pixelColor(3, 2),
                     GifPalette()[static_cast<size_t>(picture.CurrentFrame())]));

    // Stopped: no more frames arrive.
    const size_t count = shown.size();
    QTest::qWait(350);
    EXPECT_EQ(shown.size(), count);
    EXPECT_FALSE(picture.IsRunning());
}

TEST(CTPictureTest, StopsPromptlyOnReloadAndDestruction)
{
    // Long delays: stopping must not wait for the frame to end.
    const QByteArray slow = MakeGif(4, 4, {{500, 0}, {500, 1}});
    auto picture = std::make_unique<CTPicture>();
    ASSERT_TRUE(picture->LoadFromMemory(slow));
    ASSERT_TRUE(picture->Start());
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(picture->LoadFromMemory(MakeGif(4, 4, {{1, 0}, {1, 1}})));
    EXPECT_FALSE(picture->IsRunning());
    EXPECT_LT(clock.elapsed(), 1000);
    ASSERT_TRUE(picture->Start());
    QTest::qWait(30);
    clock.restart();
    picture.reset();  // destruction stops the thread
    EXPECT_LT(clock.elapsed(), 1000);
    QTest::qWait(20);  // frames posted before the stop must not reach the dead widget
}

TEST(CTPictureTest, StillPicturesAndOneFrameGifsDoNotAnimate)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("still.png"));
    ASSERT_TRUE(QuadrantImage(12, 8).save(png));
    const QString gif = dir.filePath(QStringLiteral("one.gif"));
    ASSERT_TRUE(WriteBytes(gif, MakeGif(5, 5, {{10, 2}})));
    for (const QString& path : {png, gif}) {
        CTPicture picture;
        QSignalSpy frames(&picture, &CTPicture::FrameShown);
        ASSERT_TRUE(picture.Load(path)) << path.toStdString();
        EXPECT_EQ(picture.FrameCount(), 1);
        EXPECT_FALSE(picture.IsAnimated());
        EXPECT_FALSE(picture.Start());
        EXPECT_FALSE(picture.IsRunning());
        QTest::qWait(50);
        EXPECT_EQ(frames.count(), 0);
    }
    CTPicture picture;
    ASSERT_TRUE(picture.Load(png));
    EXPECT_EQ(picture.size(), QSize(12, 8));
    const QImage shot = Grab(&picture);
    EXPECT_TRUE(Near(shot.pixelColor(0, 0), QColor(255, 0, 0)));
    EXPECT_TRUE(Near(shot.pixelColor(11, 7), QColor(255, 255, 0)));
}

TEST(CTPictureTest, BadPicturesAreRefusedWithoutCrashOrHang)
{
    const QByteArray good = MakeGif(8, 8, {{10, 0}, {10, 1}, {10, 2}});
    const QByteArray png = EncodeImage(QuadrantImage(16, 16), "PNG");
    const QByteArray bmp = EncodeImage(QuadrantImage(16, 16), "BMP");

    QByteArray noFrames = good.left(13 + 12 + 19);  // header, palette, loop block
    noFrames.append(char(0x3B));
    QByteArray hugeScreen = good;
    hugeScreen[6] = char(0x60);  // 60000 x 60000
    hugeScreen[7] = char(0xEA);
    hugeScreen[8] = char(0x60);
    hugeScreen[9] = char(0xEA);
    QByteArray hugeFrame = good;
    const qsizetype firstImage = good.indexOf(char(0x2C), 13 + 12 + 19);
    hugeFrame[firstImage + 5] = char(0xFF);  // frame width 65535
    hugeFrame[firstImage + 6] = char(0xFF);
    QByteArray zeroScreen = good;
    zeroScreen[6] = 0;
    zeroScreen[7] = 0;
    QByteArray garbageAfterSignature("GIF89a\x01\x00\x01\x00", 10);

    struct Case {
        const char* name;
        QByteArray data;
    };
    const Case refused[] = {
        {"empty", QByteArray()},
        {"gif without frames", noFrames},
        {"gif of absurd screen size", hugeScreen},
        {"gif frame of absurd size", hugeFrame},
        {"gif of zero size", zeroScreen},
        {"gif header only", garbageAfterSignature},
        {"gif cut inside the first frame", good.left(firstImage + 14)},
        {"truncated png", png.left(png.size() / 2)},
        {"png with corrupt data",
         [&] {
             QByteArray bad = png;
             for (qsizetype i = 40; i < bad.size() - 12; ++i)
                 bad[i] = char(bad[i] ^ 0x5A);
             return bad;
         }()},
        {"truncated bmp", bmp.left(30)},
        {"random bytes", QByteArray(500, char(0x42))},
    };
    for (const Case& c : refused) {
        CTPicture picture;
        EXPECT_FALSE(picture.LoadFromMemory(c.data)) << c.name;
        EXPECT_FALSE(picture.IsLoaded()) << c.name;
        EXPECT_FALSE(picture.Start()) << c.name;
        Grab(&picture);  // draws without a picture
    }

    // A GIF cut off in its third frame keeps the two complete frames.
    const qsizetype thirdImage =
        good.indexOf(char(0x2C), good.indexOf(char(0x2C), firstImage + 1) + 1);
    CTPicture picture;
    ASSERT_TRUE(picture.LoadFromMemory(good.left(thirdImage + 14)));
    EXPECT_EQ(picture.FrameCount(), 2);

    // A missing file.
    EXPECT_FALSE(picture.Load(QStringLiteral("/nonexistent/wait_search.gif")));
    EXPECT_FALSE(picture.IsLoaded());

    GifInfo info;
    EXPECT_TRUE(ParseGif(good, info));
    EXPECT_EQ(info.frames.size(), 3u);
    EXPECT_EQ(info.frames[1].delay, 10);
    EXPECT_FALSE(ParseGif(png, info));
}

TEST(CTPictureTest, BrokenFrameDataEndsTheAnimationAtTheLastGoodFrame)
{
    // Frame two's LZW data starts with a code that no decoder accepts
    // (beyond the table right after a clear).
    QByteArray gif = MakeGif(8, 8, {{10, 0}, {10, 1}, {10, 2}});
    const qsizetype first = gif.indexOf(char(0x2C), 13 + 12 + 19);
    const qsizetype second = gif.indexOf(char(0x2C), first + 1);
    // Image data of frame two: descriptor (10) + code size (1) + block length (1).
    const qsizetype data = second + 10 + 1 + 1;
    gif[data] = char(0xFF);
    gif[data + 1] = char(0xFF);
    gif[data + 2] = char(0xFF);
    CTPicture picture;
    const bool loaded = picture.LoadFromMemory(gif);
    // Whatever the decoder makes of the broken frame, the control keeps
    // whole frames only and can still run and stop.
    if (loaded) {
        EXPECT_GE(picture.FrameCount(), 1);
        EXPECT_LE(picture.FrameCount(), 3);
        if (picture.Start())
            QTest::qWait(50);
        picture.Stop();
    }
    Grab(&picture);
}

KESTRUNE_WIDGET_TEST_MAIN()
