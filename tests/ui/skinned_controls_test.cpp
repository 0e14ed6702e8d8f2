// The dialog base, picture button, edit, static and line, driven headless.

#include "CColorLine.h"
#include "CTButtonPicture.h"
#include "CTDialog.h"
#include "CTEditGdiplus.h"
#include "CTStaticGdiplus.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrune;
using namespace uitest;

namespace {

class SkinDir {
public:
    SkinDir() { EXPECT_TRUE(dir.isValid()); }
    QString Write(const QString& name, const QImage& image, const char* format = "PNG")
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path, format));
        return path;
    }
    QString WriteBytes(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(uitest::WriteBytes(path, bytes));
        return path;
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

// A window of a known colour that holds the widget under test.
struct Host {
    explicit Host(QSize size = QSize(300, 200), QColor colour = QColor(10, 20, 30))
    {
        window.resize(size);
        QPalette pal = window.palette();
        pal.setColor(QPalette::Window, colour);
        window.setPalette(pal);
        window.setAutoFillBackground(true);
    }
    void Show()
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QWidget window;
};

}  // namespace

// ---------------------------------------------------------------- CTDialog

TEST(CTDialogTest, EnterAndEscapeNeitherPressDefaultButtonNorClose)
{
    CTDialog dialog;
    dialog.resize(200, 120);
    auto* edit = new QLineEdit(&dialog);
    auto* ok = new QPushButton(QStringLiteral("Ok"), &dialog);
    ok->move(10, 60);
    ok->setDefault(true);
    QSignalSpy clicks(ok, &QPushButton::clicked);
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    edit->setFocus();
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(edit, static_cast<Qt::Key>(key));
        QTest::keyClick(&dialog, static_cast<Qt::Key>(key));
    }
    QApplication::processEvents();
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(dialog.isVisible());
    // Other keys still reach the focused control.
    QTest::keyClicks(edit, QStringLiteral("ab"));
    EXPECT_EQ(edit->text(), QStringLiteral("ab"));
}

TEST(CTDialogTest, AskedForAPlainWidgetItIsAChildNotAWindow)
{
    QWidget host;
    CTDialog page(&host, Qt::Widget);
    EXPECT_FALSE(page.isWindow());
    EXPECT_EQ(page.parentWidget(), &host);
    CTDialog dialog(&host);
    EXPECT_TRUE(dialog.isWindow());
}

TEST(CTDialogTest, RoundedMaskFollowsTheCurrentSize)
{
    CTDialog dialog;
    dialog.resize(100, 80);
    dialog.SetRoundedCorners(8, 8);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_FALSE(dialog.mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(dialog.mask().contains(QPoint(99, 79)));
    EXPECT_TRUE(dialog.mask().contains(QPoint(4, 0)));
    EXPECT_TRUE(dialog.mask().contains(QPoint(50, 40)));
    EXPECT_TRUE(dialog.mask().contains(QPoint(99, 40)));

    dialog.resize(200, 150);
    QApplication::processEvents();
    EXPECT_TRUE(dialog.mask().contains(QPoint(190, 140)));
    EXPECT_FALSE(dialog.mask().contains(QPoint(199, 149)));
    EXPECT_FALSE(dialog.mask().contains(QPoint(199, 0)));
    EXPECT_TRUE(dialog.mask().contains(QPoint(199, 75)));
}

TEST(CTDialogTest, PaintsStretchedImageElseFillWhenOn)
{
    SkinDir skin;
    CTDialog dialog;
    dialog.resize(80, 60);
    dialog.SetBackgroundColor(QColor(1, 200, 3));
    dialog.SetFillBackground(true);
    QImage shot = Grab(&dialog);
    EXPECT_TRUE(Near(shot.pixelColor(40, 30), QColor(1, 200, 3)));

    // A 2 x 2 quadrant image stretched over 80 x 60: each quadrant fills a
    // quarter of the dialog.
    dialog.SetBackgroundImage(skin.Write(QStringLiteral("bk.png"), QuadrantImage(2, 2)));
    ASSERT_TRUE(dialog.HasBackgroundImage());
    shot = Grab(&dialog);
    EXPECT_TRUE(Near(shot.pixelColor(5, 5), QColor(255, 0, 0), 40));
    EXPECT_TRUE(Near(shot.pixelColor(75, 55), QColor(255, 255, 0), 40));

    // An image that does not load leaves the fill.
    dialog.SetBackgroundImage(
        skin.WriteBytes(QStringLiteral("bad.png"), "\x89PNG\r\n\x1a\nbroken"));
    EXPECT_FALSE(dialog.HasBackgroundImage());
    shot = Grab(&dialog);
    EXPECT_TRUE(Near(shot.pixelColor(40, 30), QColor(1, 200, 3)));
}

TEST(CTDialogTest, DragAnywhereMovesTheWindowOnlyWhenOn)
{
    CTDialog dialog;
    dialog.resize(120, 90);
    dialog.move(100, 100);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();

    QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&dialog, QPoint(40, 30));
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(dialog.pos(), start);

    dialog.SetDragAnywhere(true);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10),
                      dialog.mapToGlobal(QPointF(10, 10)), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(&dialog, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 30), dialog.mapToGlobal(QPointF(40, 30)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&dialog, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(40, 30),
                        dialog.mapToGlobal(QPointF(40, 30)), Qt::LeftButton, Qt::NoButton, {});
    QApplication::sendEvent(&dialog, &release);
    EXPECT_EQ(dialog.pos(), start + QPoint(30, 20));
}

// --------------------------------------------------------- CTButtonPicture

TEST(CTButtonPictureTest, ScalesDownWhenSmallerElseDrawsUnscaledFromTopLeft)
{
    SkinDir skin;
    const QString quadrants = skin.Write(QStringLiteral("q.png"), QuadrantImage(40, 20));
    Host host;
    CTButtonPicture small(&host.window);
    small.setGeometry(0, 0, 20, 10);
    small.SetImage(quadrants);
    CTButtonPicture large(&host.window);
    large.setGeometry(100, 0, 60, 40);
    large.SetImage(quadrants);
    host.Show();

    // Smaller in both directions: the whole image shrinks into the button.
    QImage shot = Grab(&small);
    EXPECT_TRUE(Near(shot.pixelColor(1, 1), QColor(255, 0, 0), 40));
    EXPECT_TRUE(Near(shot.pixelColor(18, 1), QColor(0, 255, 0), 40));
    EXPECT_TRUE(Near(shot.pixelColor(1, 8), QColor(0, 0, 255), 40));
    EXPECT_TRUE(Near(shot.pixelColor(18, 8), QColor(255, 255, 0), 40));

    // Smaller in one direction only also scales.
    CTButtonPicture narrow(&host.window);
    narrow.setGeometry(0, 100, 20, 40);
    narrow.SetImage(quadrants);
    narrow.show();
    shot = Grab(&narrow);
    EXPECT_TRUE(Near(shot.pixelColor(18, 38), QColor(255, 255, 0), 40));

    // Larger: unscaled at the top left, the parent shows beyond the image.
    shot = Grab(&large);
    EXPECT_TRUE(Near(shot.pixelColor(0, 0), QColor(255, 0, 0)));
    EXPECT_TRUE(Near(shot.pixelColor(19, 9), QColor(255, 0, 0)));
    EXPECT_TRUE(Near(shot.pixelColor(20, 0), QColor(0, 255, 0)));
    EXPECT_TRUE(Near(shot.pixelColor(39, 19), QColor(255, 255, 0)));
    EXPECT_TRUE(Near(shot.pixelColor(45, 30), QColor(10, 20, 30)));
}

TEST(CTButtonPictureTest, DrawsTheImageOfEachStateAndSkipsImagesThatDoNotLoad)
{
    SkinDir skin;
    const QColor normal(200, 40, 40), hover(230, 90, 90), pressed(120, 20, 20),
        disabled(90, 90, 90);
    const QString normalPath = skin.Write(QStringLiteral("n.png"), SolidImage(30, 20, normal));
    const QString hoverPath = skin.Write(QStringLiteral("h.png"), SolidImage(30, 20, hover));
    const QString pressedPath = skin.Write(QStringLiteral("p.png"), SolidImage(30, 20, pressed));
    const QString disabledPath = skin.Write(QStringLiteral("d.png"), SolidImage(30, 20, disabled));
    Host host;
    CTButtonPicture button(&host.window);
    button.setGeometry(10, 10, 30, 20);
    button.SetImages(normalPath, hoverPath, pressedPath, disabledPath);
    host.Show();
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);

    auto centre = [&] { return Grab(&button).pixelColor(15, 10); };
    EXPECT_EQ(button.CurrentState(), CTButtonPicture::State::Normal);
    EXPECT_TRUE(Near(centre(), normal));

    // Hover: the pointer over the button; the 10 ms check ends it once the
    // pointer is elsewhere.
    QCursor::setPos(button.mapToGlobal(QPoint(15, 10)));
    QTest::mouseMove(&button, QPoint(15, 10));
    ASSERT_TRUE(button.IsHovered());
    EXPECT_TRUE(Near(centre(), hover));
    button.setDown(true);
    EXPECT_EQ(button.CurrentState(), CTButtonPicture::State::Pressed);
    EXPECT_TRUE(Near(centre(), pressed));
    button.setDown(false);
    QCursor::setPos(host.window.mapToGlobal(QPoint(200, 150)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button.IsHovered(); }, 1000));
    EXPECT_TRUE(Near(centre(), normal));

    button.setEnabled(false);
    EXPECT_EQ(button.CurrentState(), CTButtonPicture::State::Disabled);
    EXPECT_TRUE(Near(centre(), disabled));

    // Missing, truncated and corrupt files leave their states without an image.
    const QByteArray png = EncodeImage(SolidImage(30, 20, hover), "PNG");
    const QByteArray bmp = EncodeImage(SolidImage(30, 20, hover), "BMP");
    button.SetImages(normalPath, skin.WriteBytes(QStringLiteral("t.png"), png.left(png.size() / 2)),
                     skin.WriteBytes(QStringLiteral("t.bmp"), bmp.left(40)),
                     skin.Path(QStringLiteral("missing.png")));
    EXPECT_TRUE(button.HasImage(CTButtonPicture::State::Normal));
    EXPECT_FALSE(button.HasImage(CTButtonPicture::State::Hover));
    EXPECT_FALSE(button.HasImage(CTButtonPicture::State::Pressed));
    EXPECT_FALSE(button.HasImage(CTButtonPicture::State::Disabled));
    EXPECT_TRUE(Near(centre(), QColor(10, 20, 30)));  // the parent shows through
}

TEST(CTButtonPictureTest, CaptionUsesTheStateColourAndAlignment)
{
    Host host(QSize(300, 200), QColor(0, 0, 0));
    CTButtonPicture button(QStringLiteral("MMMM"), &host.window);
    button.setGeometry(0, 0, 200, 40);
    button.SetTextColors(QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255));
    button.SetTextFont(16, 700);
    host.Show();

    struct Case {
        CTButtonPicture::TextAlign align;
        bool left, right, top, bottom;  // which side the ink hugs
    };
    const Case cases[] = {
        {CTButtonPicture::TextAlign::LeftVCenter, true, false, false, false},
        {CTButtonPicture::TextAlign::RightVCenter, false, true, false, false},
        {CTButtonPicture::TextAlign::Center, false, false, false, false},
        {CTButtonPicture::TextAlign::TopCenter, false, false, true, false},
        {CTButtonPicture::TextAlign::BottomLeft, true, false, false, true},
        {CTButtonPicture::TextAlign::BottomCenter, false, false, false, true},
    };
    for (const Case& c : cases) {
        button.SetTextAlign(c.align);
        const QImage shot = Grab(&button);
        const QRect ink = InkBox(shot, shot.rect(), QColor(0, 0, 0));
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_EQ(ink.left() <= 6, c.left) << int(c.align);
        EXPECT_EQ(ink.right() >= 193, c.right) << int(c.align);
        EXPECT_EQ(ink.top() <= 6, c.top) << int(c.align);
        EXPECT_EQ(ink.bottom() >= 33, c.bottom) << int(c.align);
        if (c.left) {
            EXPECT_GE(ink.left(), 2);  // the 2-pixel margin
        }
        if (c.right) {
            EXPECT_LE(ink.right(), 197);
        }
    }
    EXPECT_GT(CountNear(Grab(&button), button.rect(), QColor(255, 0, 0), 30), 10);
    button.setEnabled(false);
    EXPECT_GT(CountNear(Grab(&button), button.rect(), QColor(0, 0, 255), 30), 10);
    EXPECT_EQ(CountNear(Grab(&button), button.rect(), QColor(255, 0, 0), 30), 0);
}

TEST(CTButtonPictureTest, EnterOnAFocusedButtonDoesNotClickIt)
{
    CTDialog dialog;
    dialog.resize(100, 60);
    auto* button = new CTButtonPicture(QStringLiteral("Go"), &dialog);
    button->setGeometry(5, 5, 60, 24);
    QSignalSpy clicks(button, &QPushButton::clicked);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter);
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);
}

// ----------------------------------------------------------- CTEditGdiplus

TEST(CTEditGdiplusTest, HintIsTheTextWhileEmptyAndUnfocused)
{
    Host host;
    CTEditGdiplus edit(&host.window);
    edit.setGeometry(10, 10, 150, 28);
    QLineEdit other(&host.window);
    other.setGeometry(10, 60, 150, 28);
    edit.SetHintText(QStringLiteral("e.g. 8.8.8.8"), QColor(0, 160, 0));
    edit.SetMaxLength(5);  // shorter than the hint: the hint is still whole
    other.setFocus();
    host.Show();

    EXPECT_EQ(edit.text(), QStringLiteral("e.g. 8.8.8.8"));
    EXPECT_TRUE(edit.IsHintShowing());
    EXPECT_FALSE(edit.HasText());

    edit.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit.hasFocus(); }));
    EXPECT_EQ(edit.text(), QString());
    EXPECT_FALSE(edit.IsHintShowing());

    other.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.hasFocus(); }));
    EXPECT_EQ(edit.text(), QStringLiteral("e.g. 8.8.8.8"));

    // Typed text stays, capped at the maximum length.
    edit.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit.hasFocus(); }));
    QTest::keyClicks(&edit, QStringLiteral("1.2.3.4"));
    EXPECT_EQ(edit.text(), QStringLiteral("1.2.3"));
    other.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.hasFocus(); }));
    EXPECT_EQ(edit.text(), QStringLiteral("1.2.3"));
    EXPECT_TRUE(edit.HasText());

    // Text set by code replaces the hint; emptied by code it stays empty
    // until the field next loses the focus.
    edit.setText(QString());
    EXPECT_EQ(edit.text(), QString());
    edit.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit.hasFocus(); }));
    other.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.hasFocus(); }));
    EXPECT_EQ(edit.text(), QStringLiteral("e.g. 8.8.8.8"));

    // The hint is drawn in the hint colour, typed text in the text colour.
    QImage shot = Grab(&edit);
    EXPECT_GT(CountNear(shot, shot.rect().adjusted(4, 4, -4, -4), QColor(0, 160, 0), 30), 5);
    edit.setText(QStringLiteral("88888"));
    shot = Grab(&edit);
    EXPECT_EQ(CountNear(shot, shot.rect().adjusted(4, 4, -4, -4), QColor(0, 160, 0), 60), 0);
    EXPECT_GT(CountNear(shot, shot.rect().adjusted(4, 4, -4, -4), QColor(0, 0, 0), 40), 5);
}

TEST(CTEditGdiplusTest, BorderTakesTheColourOfTheState)
{
    Host host;
    CTEditGdiplus edit(&host.window);
    edit.setGeometry(10, 10, 150, 28);
    edit.UseDialogStyle();
    QLineEdit other(&host.window);
    other.setGeometry(10, 60, 150, 28);
    host.Show();
    other.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.hasFocus(); }));

    // The middle of the top edge is a straight piece of the border.
    auto border = [&] { return Grab(&edit).pixelColor(75, 0); };
    EXPECT_TRUE(Near(border(), QColor(213, 213, 220)));
    EXPECT_EQ(edit.CurrentState(), CTEditGdiplus::State::Normal);

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), edit.mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(&edit, &enter);
    EXPECT_EQ(edit.CurrentState(), CTEditGdiplus::State::Hover);
    EXPECT_TRUE(Near(border(), QColor(216, 34, 40)));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&edit, &leave);
    EXPECT_TRUE(Near(border(), QColor(213, 213, 220)));

    edit.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit.hasFocus(); }));
    EXPECT_EQ(edit.CurrentState(), CTEditGdiplus::State::Focused);
    EXPECT_TRUE(Near(border(), QColor(216, 34, 40)));

    edit.setEnabled(false);
    EXPECT_EQ(edit.CurrentState(), CTEditGdiplus::State::Disabled);
    EXPECT_TRUE(Near(border(), QColor(0, 0, 0)));
    // Not editable: the grey background.
    EXPECT_TRUE(Near(Grab(&edit).pixelColor(75, 14), QColor(222, 222, 222)));

    // Defaults of the control itself.
    CTEditGdiplus plain(&host.window);
    plain.setGeometry(10, 110, 150, 28);
    plain.show();
    EXPECT_TRUE(Near(Grab(&plain).pixelColor(75, 0), QColor(102, 102, 153)));
    // The rounded corner leaves the parent's colour at the very corner.
    EXPECT_TRUE(Near(Grab(&plain).pixelColor(0, 0), QColor(10, 20, 30), 40));
}

TEST(CTEditGdiplusTest, ChangeNoticeReachesItsTarget)
{
    struct Target : QObject {
        std::vector<int> ids;
        bool event(QEvent* e) override
        {
            if (e->type() == EditChangeNoticeEvent::kType) {
                ids.push_back(static_cast<EditChangeNoticeEvent*>(e)->Id());
                return true;
            }
            return QObject::event(e);
        }
    } target;
    CTEditGdiplus edit;
    edit.setText(QStringLiteral("x"));
    QApplication::processEvents();
    EXPECT_TRUE(target.ids.empty());  // off by default

    edit.EnableChangeNotice(&target, 1226);
    QSignalSpy notices(&edit, &CTEditGdiplus::ChangeNotice);
    edit.setText(QStringLiteral("xy"));
    edit.setText(QString());
    QApplication::processEvents();
    EXPECT_EQ(target.ids, (std::vector<int>{1226, 1226}));
    EXPECT_EQ(notices.count(), 2);
    EXPECT_EQ(int(EditChangeNoticeEvent::kType), 4024);
}

// --------------------------------------------------------- CTStaticGdiplus

TEST(CTStaticGdiplusTest, TwoLinesCentredByAlignmentFour)
{
    Host host(QSize(300, 200), QColor(255, 255, 255));
    CTStaticGdiplus label(QStringLiteral("Short\nA much longer line"), &host.window);
    label.setGeometry(0, 0, 240, 80);
    label.SetTextColor(QColor(0, 0, 0));
    label.SetTextFont(17, 400);
    label.SetAlignment(CTStaticGdiplus::kAlignCenter);
    host.Show();

    const auto lines = label.LayoutLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, QStringLiteral("Short"));
    EXPECT_EQ(lines[1].text, QStringLiteral("A much longer line"));

    // On the picture: each line's ink is centred, and the block is centred vertically.
    const QImage shot = Grab(&label);
    const int middle = static_cast<int>(lines[1].box.top());
    const QRect first = InkBox(shot, QRect(0, 0, 240, middle), Qt::white);
    const QRect second = InkBox(shot, QRect(0, middle, 240, 80 - middle), Qt::white);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NEAR(first.center().x(), 120, 3);
    EXPECT_NEAR(second.center().x(), 120, 3);
    EXPECT_GT(second.width(), first.width() * 2);
    EXPECT_NEAR((first.top() + second.bottom()) / 2.0, 40, 4);
}

TEST(CTStaticGdiplusTest, AlignmentTablePlacesLinesAndClampsNegativeOffsets)
{
    CTStaticGdiplus label(QStringLiteral("Wide text"));
    label.resize(200, 60);
    label.SetTextFont(15);
    const qreal w = label.LayoutLines().front().box.width();
    const qreal h = label.LayoutLines().front().box.height();

    struct Case {
        int value;
        qreal left, top;
    };
    const Case cases[] = {
        {5, 0, (60 - h) / 2},
        {4, (200 - w) / 2, (60 - h) / 2},
        {6, 200 - w, (60 - h) / 2},
        {1, 200 - w, 0},
        {7, (200 - w) / 2, 0},
        {8, (200 - w) / 2, 60 - h},
        {3, 0, 60 - h},
        {0, 0, 0},
        {2, 0, 0},
        {42, 0, 0},
    };
    for (const Case& c : cases) {
        label.SetAlignment(c.value);
        const auto line = label.LayoutLines().front();
        EXPECT_NEAR(line.box.left(), c.left, 0.01) << c.value;
        EXPECT_NEAR(line.box.top(), c.top, 0.01) << c.value;
    }

    // Too small for the text: centred and right-aligned text and a block
    // taller than the static start at 0, not at a negative offset.
    label.SetText(QStringLiteral("Wide\ntext\nhere"));
    label.resize(10, 8);
    for (int value : {4, 6, 8, 3}) {
        label.SetAlignment(value);
        for (const auto& line : label.LayoutLines()) {
            EXPECT_GE(line.box.left(), 0) << value;
            EXPECT_GE(line.box.top(), 0) << value;
        }
    }
}

TEST(CTStaticGdiplusTest, BreaksLongLinesAtTheWidthAndAddsLineSpacing)
{
    CTStaticGdiplus label(
        QStringLiteral("Used to bind the device to the network. If the password is incorrect"));
    label.resize(180, 100);
    label.SetTextFont(15);
    const auto lines = label.LayoutLines();
    ASSERT_GE(lines.size(), 2u);
    QString joined;
    for (const auto& line : lines) {
        EXPECT_LE(line.box.width(), 180.5);
        joined += line.text + QLatin1Char(' ');
    }
    EXPECT_EQ(joined.simplified(), label.Text());

    const qreal gap = lines[1].box.top() - lines[0].box.top();
    label.SetLineSpacing(5);
    const auto spaced = label.LayoutLines();
    EXPECT_NEAR(spaced[1].box.top() - spaced[0].box.top(), gap + 5, 0.01);

    // A word longer than the width is still broken, not drawn past the edge.
    label.SetText(QStringLiteral("Averyveryverylongwordwithoutanyspaceinit"));
    label.resize(60, 100);
    for (const auto& line : label.LayoutLines())
        EXPECT_LE(line.box.width(), 60.5);
}

TEST(CTStaticGdiplusTest, ColourAndImageFollowTheState)
{
    SkinDir skin;
    Host host(QSize(200, 100), QColor(10, 20, 30));
    CTStaticGdiplus label(QStringLiteral("x"), &host.window);
    label.setGeometry(0, 0, 60, 30);
    label.SetTextColors(QColor(1, 1, 1), QColor(2, 2, 2), QColor(3, 3, 3), QColor(4, 4, 4));
    host.Show();

    EXPECT_EQ(label.CurrentTextColor(), QColor(1, 1, 1));
    // Transparent without fill or image: the parent shows.
    EXPECT_TRUE(Near(Grab(&label).pixelColor(55, 25), QColor(10, 20, 30)));

    label.SetBackgroundImages(
        skin.Write(QStringLiteral("n.png"), SolidImage(4, 4, QColor(200, 0, 0))),
        skin.Write(QStringLiteral("h.png"), SolidImage(4, 4, QColor(0, 200, 0))), QString(),
        skin.Path(QStringLiteral("missing.png")));
    EXPECT_TRUE(Near(Grab(&label).pixelColor(55, 25), QColor(200, 0, 0)));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), label.mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(&label, &enter);
    EXPECT_EQ(label.CurrentState(), CTStaticGdiplus::State::Hover);
    EXPECT_EQ(label.CurrentTextColor(), QColor(2, 2, 2));
    EXPECT_TRUE(Near(Grab(&label).pixelColor(55, 25), QColor(0, 200, 0)));

    // Pressed without a pressed image: the hover image.
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(label.CurrentState(), CTStaticGdiplus::State::Pressed);
    EXPECT_EQ(label.CurrentTextColor(), QColor(3, 3, 3));
    EXPECT_TRUE(Near(Grab(&label).pixelColor(55, 25), QColor(0, 200, 0)));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(5, 5));

    // Disabled with a missing disabled image: the normal image.
    label.setEnabled(false);
    EXPECT_EQ(label.CurrentTextColor(), QColor(4, 4, 4));
    EXPECT_TRUE(Near(Grab(&label).pixelColor(55, 25), QColor(200, 0, 0)));

    // No image at all: the fill when on.
    label.SetBackgroundImages(QString());
    label.SetFillBackground(true, QColor(9, 99, 199));
    EXPECT_TRUE(Near(Grab(&label).pixelColor(55, 25), QColor(9, 99, 199)));
}

TEST(CColorLineTest, OnePixelLineAcrossTheMiddle)
{
    Host host(QSize(200, 100), QColor(255, 255, 255));
    CColorLine line(&host.window);
    line.setGeometry(0, 0, 120, 9);
    line.SetColor(QColor(235, 238, 237));
    host.Show();
    const QImage shot = Grab(&line);
    EXPECT_EQ(CountNear(shot, QRect(0, 4, 120, 1), QColor(235, 238, 237), 0), 120);
    EXPECT_EQ(CountNear(shot, QRect(0, 3, 120, 1), QColor(255, 255, 255), 0), 120);
    EXPECT_EQ(CountNear(shot, QRect(0, 5, 120, 1), QColor(255, 255, 255), 0), 120);
    EXPECT_EQ(CColorLine().Color(), QColor(128, 128, 128));
}

KESTRUNE_WIDGET_TEST_MAIN()
