// gallery OUT.png: every skinned control in every state on one sheet, for
// reviewing the look at a glance. Runs headless.
#include <cstdio>
#include <functional>
#include <memory>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

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
#include "GalleryBoard.h"
#include "Language.h"
#include "ProgramFolder.h"
#include "SkinFont.h"
#include "SkinImage.h"

namespace kestrune::gallery {
namespace {

const QColor kInk(68, 68, 79);
const QColor kSoftInk(146, 146, 157);
const QColor kHintInk(181, 181, 190);
const QColor kAccent(216, 34, 40);
const QColor kPageGrey(248, 248, 248);

// A small top-level window that holds one control on the background it has
// in the program, so transparent controls show what they really show.
class Stage : public QWidget {
public:
    Stage(QSize size, const QColor& fill, const QImage& backdrop = QImage(),
          QPoint backdropOffset = QPoint())
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
          m_fill(fill),
          m_backdrop(backdrop),
          m_offset(backdropOffset)
    {
        resize(size);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), m_fill);
        if (!m_backdrop.isNull()) {
            p.drawImage(QPoint(0, 0), m_backdrop, QRect(m_offset, size()));
        }
    }

private:
    QColor m_fill;
    QImage m_backdrop;
    QPoint m_offset;
};

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
}

// Far from every stage: only a forced hover shows a hover.
const QPoint kPointerAway(5000, 5000);

QImage Grab(QWidget* w)
{
    QImage img = w->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCursor::setPos(kPointerAway);
    return img;
}

// The pointer arriving over a control, as the window system would report it.
void Hover(QWidget* w)
{
    const QPointF local(w->width() / 2.0, w->height() / 2.0);
    // Where the pointer is, so checks of the pointer position agree.
    QCursor::setPos(w->mapToGlobal(local.toPoint()));
    QEnterEvent enter(local, local, w->mapToGlobal(local));
    QApplication::sendEvent(w, &enter);
    QMouseEvent move(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

void Focus(QWidget* stage, QWidget* w)
{
    stage->activateWindow();
    QApplication::setActiveWindow(stage);
    w->setFocus(Qt::MouseFocusReason);
    Settle();
}

// A picture with rounded corners and a soft shadow, as a window shows.
QImage AsWindow(const QImage& content, int radius, const QColor& stageColour)
{
    const int pad = 10;
    QImage out(content.width() + 2 * pad, content.height() + 2 * pad, QImage::Format_ARGB32);
    out.fill(stageColour);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    for (int i = 6; i >= 1; --i) {
        p.setBrush(QColor(20, 20, 40, 7));
        p.drawRoundedRect(
            QRectF(pad - i, pad - i + 2, content.width() + 2 * i, content.height() + 2 * i),
            radius + i, radius + i);
    }
    QPainterPath clip;
    clip.addRoundedRect(QRectF(pad, pad, content.width(), content.height()), radius, radius);
    p.setClipPath(clip);
    p.drawImage(QPoint(pad, pad), content);
    return out;
}

// Small pictures at twice their size, pixel for pixel, so they can be judged.
void MagnifyTiles(Section& section)
{
    for (Tile& t : section.tiles) {
        t.image = t.image.scaled(t.image.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
}

struct ButtonLook {
    QString text;
    QSize size;
    QString normal, hover, pressed, disabled;
    QColor textNormal = QColor(255, 255, 255);
    QColor textHot = QColor(255, 255, 255);
    QColor textDisabled = QColor(255, 255, 255);
    int fontPx = 17;
    int weight = 400;
    CTButtonPicture::TextAlign align = CTButtonPicture::TextAlign::Center;
};

enum class Force { Normal, Hover, Pressed, Disabled, Focused };

QString StateName(Force f)
{
    switch (f) {
        case Force::Normal:
            return QStringLiteral("normal");
        case Force::Hover:
            return QStringLiteral("hover");
        case Force::Pressed:
            return QStringLiteral("pressed");
        case Force::Disabled:
            return QStringLiteral("disabled");
        case Force::Focused:
            return QStringLiteral("focused");
    }
    return {};
}

QImage ButtonTile(const ButtonLook& look, Force force, const QColor& stage = Qt::white,
                  const QImage& backdrop = QImage(), QPoint backdropAt = QPoint())
{
    const int pad = 8;
    Stage s(look.size + QSize(2 * pad, 2 * pad), stage, backdrop, backdropAt);
    auto* b = new CTButtonPicture(look.text, &s);
    b->setGeometry(QRect(QPoint(pad, pad), look.size));
    b->SetImages(SkinPath(look.normal), SkinPath(look.hover), SkinPath(look.pressed),
                 SkinPath(look.disabled));
    b->SetTextColors(look.textNormal, look.textHot, look.textDisabled);
    b->SetTextFont(look.fontPx, look.weight);
    b->SetTextAlign(look.align);
    s.show();
    Settle();
    if (force == Force::Hover) {
        Hover(b);
    } else if (force == Force::Pressed) {
        Hover(b);
        b->setDown(true);
    } else if (force == Force::Disabled) {
        b->setEnabled(false);
    }
    return Grab(&s);
}

void AddButtonStates(Section& section, const QString& name, const ButtonLook& look,
                     std::initializer_list<Force> states = {Force::Normal, Force::Hover,
                                                            Force::Pressed, Force::Disabled})
{
    for (Force f : states) {
        ButtonLook shown = look;
        if (f == Force::Disabled && look.text == QLatin1String("Scan Devices")) {
            shown.text = QStringLiteral("Scanning for devices");  // as while a scan runs
        }
        section.tiles.append({ButtonTile(shown, f), name + QStringLiteral(" · ") + StateName(f)});
    }
}

Section Buttons()
{
    Section s{QStringLiteral("Picture buttons (CTButtonPicture)"), {}};
    ButtonLook scan{QStringLiteral("Scan Devices"),        {218, 24},
                    QStringLiteral("scan_btn_normal.png"), QStringLiteral("scan_btn_over.png"),
                    QStringLiteral("scan_btn_down.png"),   QStringLiteral("scan_btn_disable.png")};
    AddButtonStates(s, QStringLiteral("Scan"), scan);

    ButtonLook protection{
        QStringLiteral("Device Customization"),      {140, 24},
        QStringLiteral("protection_btn_normal.png"), QStringLiteral("protection_btn_over.png"),
        QStringLiteral("protection_btn_down.png"),   QStringLiteral("protection_btn_disable.png")};
    AddButtonStates(s, QStringLiteral("Customization"), protection);

    ButtonLook apply{QStringLiteral("Apply"),
                     {67, 27},
                     QStringLiteral("apply_btn_normal.png"),
                     QStringLiteral("apply_btn_over.png"),
                     QStringLiteral("apply_btn_down.png"),
                     QStringLiteral("apply_btn_disable.png")};
    AddButtonStates(s, QStringLiteral("Apply"), apply);

    ButtonLook cancel{QStringLiteral("Cancel"),
                      {71, 27},
                      QStringLiteral("cancel_btn_normal.png"),
                      QStringLiteral("cancel_btn_over.png"),
                      QStringLiteral("cancel_btn_down.png"),
                      QStringLiteral("cancel_btn_normal.png"),
                      QColor(146, 146, 157),
                      kAccent,
                      QColor(146, 146, 157)};
    AddButtonStates(s, QStringLiteral("Cancel"), cancel);

    ButtonLook change{QStringLiteral("Change"),
                      {48, 18},
                      QStringLiteral("change_btn_normal.png"),
                      QStringLiteral("change_btn_normal.png"),
                      QStringLiteral("change_btn_normal.png"),
                      QStringLiteral("change_btn_normal.png"),
                      kAccent,
                      kAccent,
                      kAccent};
    change.weight = 500;
    AddButtonStates(s, QStringLiteral("Change"), change, {Force::Normal});

    ButtonLook load{QStringLiteral("Load template"),
                    {108, 24},
                    QStringLiteral("btn_template.png"),
                    QStringLiteral("btn_template.png"),
                    QStringLiteral("btn_template.png"),
                    QStringLiteral("btn_template.png"),
                    kAccent,
                    QColor(180, 15, 0),
                    kAccent};
    AddButtonStates(s, QStringLiteral("Load template"), load, {Force::Normal, Force::Hover});
    ButtonLook save = load;
    save.text = QStringLiteral("Save as template");
    save.size = {124, 24};
    AddButtonStates(s, QStringLiteral("Save as template"), save, {Force::Normal});

    ButtonLook choose{QStringLiteral("          Select"),
                      {99, 28},
                      QStringLiteral("choose_btn_normal.png"),
                      QStringLiteral("choose_btn_normal.png"),
                      QStringLiteral("choose_btn_normal.png"),
                      QStringLiteral("choose_btn_normal.png"),
                      kInk,
                      kInk,
                      kInk};
    AddButtonStates(s, QStringLiteral("Select"), choose, {Force::Normal});

    ButtonLook pic{QStringLiteral("      company_logo.png"),
                   {209, 28},
                   QStringLiteral("btn_pic_file.png"),
                   QStringLiteral("btn_pic_file.png"),
                   QStringLiteral("btn_pic_file.png"),
                   QStringLiteral("btn_pic_file.png"),
                   kInk,
                   kInk,
                   kInk};
    pic.align = CTButtonPicture::TextAlign::LeftVCenter;
    AddButtonStates(s, QStringLiteral("Logo file"), pic, {Force::Normal});
    ButtonLook ini = pic;
    ini.text = QStringLiteral("      ont_export.xml");
    ini.normal = ini.hover = ini.pressed = ini.disabled = QStringLiteral("btn_ini_file.png");
    AddButtonStates(s, QStringLiteral("Configuration file"), ini, {Force::Normal});

    for (const bool on : {true, false}) {
        const QString image =
            on ? QStringLiteral("btn_switch_on.png") : QStringLiteral("btn_switch_off.png");
        ButtonLook sw{QString(), {28, 16}, image, image, image, image};
        s.tiles.append({ButtonTile(sw, Force::Normal),
                        on ? QStringLiteral("Switch · on") : QStringLiteral("Switch · off")});
    }

    // The scaling rule: a button smaller than its image shows all of it
    // scaled down; a larger one shows it unscaled from the top left.
    ButtonLook small = apply;
    small.size = {40, 16};
    small.fontPx = 11;
    s.tiles.append({ButtonTile(small, Force::Normal), QStringLiteral("Smaller: scaled down")});
    ButtonLook large = apply;
    large.size = {100, 40};
    large.align = CTButtonPicture::TextAlign::LeftVCenter;
    s.tiles.append({ButtonTile(large, Force::Normal, QColor(236, 237, 242)),
                    QStringLiteral("Larger: unscaled, top left")});
    return s;
}

Section TitleButtons()
{
    Section s{QStringLiteral("Title-bar and close buttons (shown twice their size)"), {}};
    const QImage devicesBk = LoadSkinImage(SkinPath(QStringLiteral("main_bk.jpg")));
    const QImage adapterBk = LoadSkinImage(SkinPath(QStringLiteral("main_bk.png")));
    const QPoint minAt(763 - 8, 16 - 8);
    const QPoint closeAt(784 - 8, 16 - 8);
    ButtonLook min{QString(),
                   {16, 16},
                   QStringLiteral("btn_min_normal.png"),
                   QStringLiteral("btn_min_over.png"),
                   QStringLiteral("btn_min_down.png"),
                   QStringLiteral("btn_min_down.png")};
    for (Force f : {Force::Normal, Force::Hover, Force::Pressed}) {
        s.tiles.append({ButtonTile(min, f, Qt::white, devicesBk, minAt),
                        QStringLiteral("Minimise · ") + StateName(f)});
    }
    ButtonLook close{QString(),
                     {16, 16},
                     QStringLiteral("btn_close_normal.png"),
                     QStringLiteral("btn_close_over.png"),
                     QStringLiteral("btn_close_down.png"),
                     QStringLiteral("btn_close_down.png")};
    for (Force f : {Force::Normal, Force::Hover, Force::Pressed}) {
        s.tiles.append({ButtonTile(close, f, Qt::white, devicesBk, closeAt),
                        QStringLiteral("Close · ") + StateName(f)});
    }
    ButtonLook close2 = close;
    close2.normal = QStringLiteral("btn_close_normal2.png");
    s.tiles.append({ButtonTile(close2, Force::Normal, Qt::white, adapterBk, closeAt),
                    QStringLiteral("Close, adapter page")});
    ButtonLook child{QString(),
                     {16, 16},
                     QStringLiteral("btn_child_close.png"),
                     QStringLiteral("btn_child_close.png"),
                     QStringLiteral("btn_child_close.png"),
                     QStringLiteral("btn_child_close.png")};
    s.tiles.append({ButtonTile(child, Force::Normal), QStringLiteral("Close, dialogs")});
    ButtonLook note = child;
    note.normal = note.hover = note.pressed = note.disabled =
        QStringLiteral("btn_child_close2.png");
    s.tiles.append({ButtonTile(note, Force::Normal, kPageGrey), QStringLiteral("Close, note")});
    ButtonLook del = close;
    del.size = {24, 24};
    del.disabled = QStringLiteral("btn_close_over.png");
    s.tiles.append({ButtonTile(del, Force::Normal), QStringLiteral("Delete template")});
    s.tiles.append({ButtonTile(del, Force::Hover), QStringLiteral("Delete · hover")});
    MagnifyTiles(s);
    return s;
}

QImage EditTile(Force force, const QString& text, const QString& hint, bool focusEmpty = false)
{
    const int pad = 8;
    Stage s(QSize(180 + 2 * pad, 24 + 2 * pad), Qt::white);
    auto* e = new CTEditGdiplus(&s);
    e->setGeometry(pad, pad, 180, 24);
    e->UseDialogStyle();
    e->SetMaxLength(32);
    // Something else to hold the focus while the field is meant to be unfocused.
    auto* sink = new QWidget(&s);
    sink->setGeometry(0, 0, 1, 1);
    sink->setFocusPolicy(Qt::StrongFocus);
    if (!hint.isEmpty()) {
        e->SetHintText(hint, QColor(128, 128, 128));
    }
    if (!text.isEmpty()) {
        e->setText(text);
    }
    s.show();
    Settle();
    Focus(&s, sink);
    switch (force) {
        case Force::Hover:
            Hover(e);
            break;
        case Force::Focused:
            Focus(&s, e);
            if (!focusEmpty) {
                e->setCursorPosition(int(e->text().size()));
            }
            break;
        case Force::Disabled:
            e->setEnabled(false);
            break;
        default:
            break;
    }
    Settle();
    return Grab(&s);
}

Section Edits()
{
    Section s{QStringLiteral("Edit fields (CTEditGdiplus)"), {}};
    const QString code = QStringLiteral("K7-2026-A");
    s.tiles.append({EditTile(Force::Normal, code, {}), QStringLiteral("normal")});
    s.tiles.append({EditTile(Force::Hover, code, {}), QStringLiteral("hover")});
    s.tiles.append({EditTile(Force::Focused, code, {}), QStringLiteral("focused")});
    s.tiles.append({EditTile(Force::Disabled, code, {}), QStringLiteral("disabled")});
    const QString hint = QStringLiteral("e.g. 8.8.8.8");
    s.tiles.append({EditTile(Force::Normal, {}, hint), QStringLiteral("hint showing")});
    s.tiles.append(
        {EditTile(Force::Focused, {}, hint, true), QStringLiteral("focused: hint gone")});
    return s;
}

QImage StaticTile(const std::function<void(CTStaticGdiplus*)>& setup, QSize size, bool outline,
                  Force force = Force::Normal, const QColor& stage = Qt::white)
{
    const int pad = 8;
    Stage s(size + QSize(2 * pad, 2 * pad), stage);
    auto* st = new CTStaticGdiplus(&s);
    st->setGeometry(QRect(QPoint(pad, pad), size));
    setup(st);
    s.show();
    Settle();
    if (force == Force::Hover) {
        Hover(st);
    } else if (force == Force::Pressed) {
        Hover(st);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), st->mapToGlobal(QPointF(2, 2)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(st, &press);
    } else if (force == Force::Disabled) {
        st->setEnabled(false);
    }
    QImage img = Grab(&s);
    if (outline) {
        // Shows the static's own box, so the alignment can be judged.
        QPainter p(&img);
        p.setPen(QPen(QColor(216, 34, 40, 70), 1, Qt::DashLine));
        p.drawRect(QRect(QPoint(pad, pad), size).adjusted(0, 0, -1, -1));
    }
    return img;
}

Section Statics()
{
    Section s{QStringLiteral("Statics and separators (CTStaticGdiplus, CColorLine)"), {}};
    s.tiles.append({StaticTile(
                        [](CTStaticGdiplus* st) {
                            st->SetText(QStringLiteral("Anti-Theft Protection"));
                            st->SetTextFont(17, 600);
                            st->SetTextColor(kInk);
                        },
                        {160, 18}, false),
                    QStringLiteral("title, 17 px / 600")});
    s.tiles.append({StaticTile(
                        [](CTStaticGdiplus* st) {
                            st->SetText(QStringLiteral("Lock Code "));
                            st->SetTextFont(17, 400);
                            st->SetTextColor(kInk);
                        },
                        {80, 18}, false),
                    QStringLiteral("label")});
    s.tiles.append({StaticTile(
                        [](CTStaticGdiplus* st) {
                            st->SetText(QStringLiteral("*"));
                            st->SetTextFont(16, 400);
                            st->SetTextColor(QColor(240, 58, 58));
                            st->SetAlignment(CTStaticGdiplus::kAlignCenter);
                        },
                        {7, 7}, false),
                    QStringLiteral("asterisk")});
    s.tiles.append({StaticTile(
                        [](CTStaticGdiplus* st) {
                            st->SetText(QStringLiteral(
                                "Used to bind the device to the\nnetwork. If the password is "
                                "incorrect,\nthe configuration will not take effect\neven if "
                                "parameters are delivered."));
                            st->SetTextFont(16, 400);
                            st->SetTextColor(kSoftInk);
                        },
                        {180, 56}, true),
                    QStringLiteral("line feeds and wrapping")});
    s.tiles.append({StaticTile(
                        [](CTStaticGdiplus* st) {
                            st->SetText(
                                QStringLiteral("Supported formats: JPG, PNG, JPEG |\n"
                                               "Maximum size: 10KB"));
                            st->SetTextFont(16, 400);
                            st->SetTextColor(kHintInk);
                        },
                        {213, 40}, true),
                    QStringLiteral("hint text")});

    const std::pair<int, const char*> alignments[] = {
        {5, "5 left, centre"}, {4, "4 centre, centre"}, {6, "6 right, centre"}, {1, "1 right, top"},
        {7, "7 centre, top"},  {8, "8 centre, bottom"}, {3, "3 left, bottom"},  {0, "0 left, top"},
    };
    for (const auto& [value, name] : alignments) {
        s.tiles.append({StaticTile(
                            [value](CTStaticGdiplus* st) {
                                st->SetText(QStringLiteral("Two lines\nof text"));
                                st->SetTextFont(14, 400);
                                st->SetTextColor(kInk);
                                st->SetAlignment(value);
                            },
                            {110, 54}, true),
                        QStringLiteral("align ") + QLatin1String(name)});
    }

    const auto stateful = [](CTStaticGdiplus* st) {
        st->SetText(QStringLiteral("State colours"));
        st->SetTextFont(15, 500);
        st->SetTextColors(kInk, kAccent, QColor(166, 18, 24), QColor(190, 190, 198));
        st->SetAlignment(CTStaticGdiplus::kAlignCenter);
    };
    for (Force f : {Force::Normal, Force::Hover, Force::Pressed, Force::Disabled}) {
        s.tiles.append(
            {StaticTile(stateful, {110, 24}, true, f), QStringLiteral("static · ") + StateName(f)});
    }

    {
        const int pad = 8;
        Stage st(QSize(420, 20 + 2 * pad), Qt::white);
        auto* line = new CColorLine(QColor(235, 238, 237), &st);
        line->setGeometry(0, pad, 420, 8);
        auto* dark = new CColorLine(&st);
        dark->setGeometry(0, pad + 12, 420, 8);
        st.show();
        Settle();
        s.tiles.append({Grab(&st), QStringLiteral("lines: dialog colour, default colour")});
    }
    return s;
}

// A combo box in one state; with dropped set, the list is shown below it.
QImage ComboTile(bool templateLook, Force force, int selected, bool dropped, int hovered = -1)
{
    const int pad = 8;
    const QSize field = templateLook ? QSize(218, 24) : QSize(240, 30);
    const QStringList items = {
        QStringLiteral("Ethernet Controller (00:E0:4C:68:12:34)"),
        QStringLiteral("USB 2.0 LAN Adapter (00:0E:C6:A1:B2:C3)"),
        QStringLiteral("Intel(R) Ethernet Connection I219-LM with a very long description "
                       "(3C:52:82:00:11:22)"),
        QStringLiteral("Bench switch uplink (A0:36:9F:10:20:30)"),
    };
    const int listHeight = dropped ? int(items.size()) * (templateLook ? 20 : 32) + 16 : 0;
    Stage s(QSize(field.width() + 2 * pad, field.height() + 2 * pad + listHeight), Qt::white);
    auto* combo = new CCustomComboBox(&s);
    if (templateLook) {
        combo->SetStyle(ComboStyle::TemplateDialog());
        combo->SetArrowImage(SkinPath(QStringLiteral("combox_down.png")));
        combo->SetTextFont(SkinFontPoints(8, 400));
    } else {
        combo->SetTextFont(SkinFont(14, 400));
    }
    combo->setGeometry(QRect(QPoint(pad, pad), field));
    combo->SetPlaceholderText(QStringLiteral("Select a network adapter"));
    for (int i = 0; i < items.size(); ++i) {
        combo->AddString(items[i], i);
    }
    combo->SetCurSel(selected);
    s.show();
    Settle();
    if (force == Force::Hover) {
        Hover(combo);
    } else if (force == Force::Disabled) {
        combo->setEnabled(false);
    }
    QImage img;
    if (dropped) {
        combo->ShowDropDown(true);
        Settle();
        CDropListWnd* list = combo->DropList();
        if (list != nullptr && list->isVisible()) {
            if (hovered >= 0) {
                list->ListBox()->SetHoveredIndex(hovered);
            }
            Settle();
            img = Grab(&s);
            const QImage popup = Grab(list);
            QPainter p(&img);
            p.drawImage(list->mapToGlobal(QPoint(0, 0)) - s.mapToGlobal(QPoint(0, 0)), popup);
        }
        combo->ShowDropDown(false);
    }
    if (img.isNull()) {
        img = Grab(&s);
    }
    return img;
}

Section Combos()
{
    Section s{QStringLiteral("Drop-down list (CCustomComboBox, CDropListWnd, CDropListBoxWnd)"),
              {}};
    s.tiles.append({ComboTile(true, Force::Normal, 0, false), QStringLiteral("adapter box")});
    s.tiles.append({ComboTile(true, Force::Hover, 0, false), QStringLiteral("hover")});
    s.tiles.append({ComboTile(true, Force::Disabled, 0, false), QStringLiteral("disabled")});
    s.tiles.append({ComboTile(true, Force::Normal, -1, false), QStringLiteral("nothing selected")});
    s.tiles.append({ComboTile(true, Force::Normal, 1, true, 2),
                    QStringLiteral("dropped: selected with tick, hovered, ellipsis")});
    s.tiles.append({ComboTile(false, Force::Normal, 1, false), QStringLiteral("default look")});
    s.tiles.append(
        {ComboTile(false, Force::Normal, 1, true, 3), QStringLiteral("default look, dropped")});
    return s;
}

Section Pictures()
{
    Section s{QStringLiteral("Pictures and animation (CTPicture)"), {}};
    {
        Stage st(QSize(236, 64), Qt::white);
        auto* pic = new CTPicture(&st);
        pic->SetBackgroundColor(Qt::white);
        pic->Load(SkinPath(QStringLiteral("orvik_logo.bmp")));
        pic->move(8, 8);
        st.show();
        Settle();
        s.tiles.append({Grab(&st), QStringLiteral("still picture (maker logo)")});
    }
    CTPicture anim;
    anim.SetBackgroundColor(Qt::white);
    if (anim.Load(SkinPath(QStringLiteral("wait_search.gif")))) {
        const int n = anim.FrameCount();
        for (int i = 0; i < n; i += std::max(1, n / 6)) {
            QImage frame(anim.FrameImage(i).size() + QSize(16, 16), QImage::Format_ARGB32);
            frame.fill(Qt::white);
            QPainter p(&frame);
            p.drawImage(QPoint(8, 8), anim.FrameImage(i));
            p.end();
            s.tiles.append(
                {frame, QStringLiteral("frame %1 · %2 ms").arg(i + 1).arg(anim.FrameDelayMs(i))});
        }
    }
    return s;
}

Section GridImages()
{
    Section s{QStringLiteral("Grid check and status images (shown twice their size)"), {}};
    const std::pair<const char*, const char*> icons[] = {
        {"unselect.bmp", "not checked"}, {"select.bmp", "checked"}, {"part_select.bmp", "partly"},
        {"success.bmp", "success"},      {"error.bmp", "fail"},     {"operating.bmp", "operating"},
    };
    for (const auto& [file, name] : icons) {
        const QImage icon = LoadSkinImage(SkinPath(QLatin1String(file)));
        QImage tile(40, 40, QImage::Format_ARGB32);
        tile.fill(Qt::white);
        QPainter p(&tile);
        p.drawImage(QPoint(8, 8), icon);
        p.end();
        s.tiles.append({tile, QLatin1String(name)});
    }
    MagnifyTiles(s);
    return s;
}

QImage NoteTile(bool withCancel, const QString& text, Force okForce = Force::Normal)
{
    CNoteDlg dlg(QStringLiteral("Note"), text, withCancel);
    dlg.show();
    Settle();
    if (okForce == Force::Hover && dlg.OkButton() != nullptr) {
        Hover(dlg.OkButton());
    }
    return AsWindow(Grab(&dlg), 8, QColor(226, 227, 233));
}

Section Notes()
{
    Section s{QStringLiteral("Note dialog (CNoteDlg)"), {}};
    s.tiles.append({NoteTile(false, QStringLiteral("Please select the devices!")),
                    QStringLiteral("note: Ok only")});
    s.tiles.append(
        {NoteTile(true, QStringLiteral("Deliver the configuration to 12 devices?"), Force::Hover),
         QStringLiteral("confirmation: Ok and Cancel (Ok hovered)")});
    return s;
}

// The adapter page as the program shows it, built from the controls.
Section Composition()
{
    Section s{QStringLiteral("Put together: the adapter page on its background"), {}};
    CTDialog window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.resize(817, 540);
    window.SetBackgroundImage(SkinPath(QStringLiteral("main_bk.png")));
    auto* close = new CTButtonPicture(&window);
    close->setGeometry(784, 16, 16, 16);
    close->SetImages(SkinPath(QStringLiteral("btn_close_normal2.png")),
                     SkinPath(QStringLiteral("btn_close_over.png")),
                     SkinPath(QStringLiteral("btn_close_down.png")),
                     SkinPath(QStringLiteral("btn_close_down.png")));
    auto* page = new CTDialog(&window, Qt::Widget);
    // QDialog turns a parent with no window type into a dialog window; a
    // page inside the main window must stay a child.
    if (page->isWindow()) {
        page->setWindowFlags(Qt::Widget);
    }
    page->setGeometry(247, 126, 324, 288);
    page->SetFillBackground(true);
    page->SetBackgroundColor(Qt::white);
    auto* logo = new CTPicture(page);
    logo->SetBackgroundColor(Qt::white);
    logo->Load(SkinPath(QStringLiteral("orvik_logo.bmp")));
    logo->setGeometry(53, 16, 220, 48);
    auto* caption = new CTStaticGdiplus(QStringLiteral("Select Network Adapter"), page);
    caption->setGeometry(73, 64, 178, 32);
    caption->SetTextFont(20, 500);
    caption->SetTextColor(QColor(128, 128, 128));
    caption->SetAlignment(CTStaticGdiplus::kAlignCenter);
    auto* box = new CCustomComboBox(page);
    box->SetStyle(ComboStyle::TemplateDialog());
    box->SetArrowImage(SkinPath(QStringLiteral("combox_down.png")));
    box->SetTextFont(SkinFontPoints(8, 400));
    box->setGeometry(53, 120, 218, 24);
    box->AddString(QStringLiteral("Ethernet Controller (00:E0:4C:68:12:34)"));
    box->SetCurSel(0);
    auto* scan = new CTButtonPicture(QStringLiteral("Scan Devices"), page);
    scan->setGeometry(53, 182, 218, 24);
    scan->SetImages(SkinPath(QStringLiteral("scan_btn_normal.png")),
                    SkinPath(QStringLiteral("scan_btn_over.png")),
                    SkinPath(QStringLiteral("scan_btn_down.png")),
                    SkinPath(QStringLiteral("scan_btn_disable.png")));
    scan->SetTextFont(17, 400);
    auto* wait = new CTPicture(page);
    wait->SetBackgroundColor(Qt::white);
    wait->Load(SkinPath(QStringLiteral("wait_search.gif")));
    wait->move((324 - wait->width()) / 2, 214);
    auto* foot = new CTStaticGdiplus(QStringLiteral("Pick the adapter wired to the devices"), page);
    foot->setGeometry(8, 254, 309, 18);
    foot->SetTextFont(15, 400);
    foot->SetTextColor(QColor(180, 180, 180));
    foot->SetAlignment(CTStaticGdiplus::kAlignCenter);
    page->SetRoundedCorners(8, 8);
    page->show();
    window.show();
    Settle();
    s.tiles.append(
        {AsWindow(Grab(&window), 8, Qt::white), QStringLiteral("adapter page, 817 x 540")});
    return s;
}

Section Backgrounds()
{
    Section s{QStringLiteral("Window backgrounds (one third of their size)"), {}};
    const std::pair<const char*, const char*> pages[] = {
        {"main_bk.png", "main_bk.png · adapter page"},
        {"main_bk.jpg", "main_bk.jpg · devices page"},
        {"main_bk3.jpg", "main_bk3.jpg · delivery dialogs"},
    };
    for (const auto& [file, name] : pages) {
        const QImage bk = LoadSkinImage(SkinPath(QLatin1String(file)));
        if (bk.isNull()) {
            continue;
        }
        const QImage small =
            bk.scaled(bk.size() / 3, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        s.tiles.append({AsWindow(small, 4, Qt::white), QString::fromUtf8(name)});
    }
    return s;
}

}  // namespace
}  // namespace kestrune::gallery

int main(int argc, char** argv)
{
    using namespace kestrune;
    using namespace kestrune::gallery;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCursor::setPos(kPointerAway);
    if (argc != 2) {
        std::fprintf(stderr, "usage: gallery OUT.png\n");
        return 2;
    }
    // The skin and the language tables of the source tree, so the gallery
    // shows the committed files whatever folder it runs from.
    OverrideProgramFolder(KESTRUNE_GALLERY_DATA_DIR);
    InitLanguageForLocale(ProgramFolder(), 1033);
    InstallSkinFontSubstitutions();

    QList<Section> sections;
    sections.append(Buttons());
    sections.append(TitleButtons());
    sections.append(Edits());
    sections.append(Statics());
    sections.append(Combos());
    sections.append(Pictures());
    sections.append(GridImages());
    sections.append(Notes());
    sections.append(Composition());
    sections.append(Backgrounds());

    const QImage logo = LoadSkinImage(SkinPath(QStringLiteral("orvik_logo.bmp")));
    const QImage sheet = ComposeBoard(logo, QStringLiteral("Skinned controls"), sections, 1360);
    QImageWriter writer(QString::fromLocal8Bit(argv[1]), "png");
    if (!writer.write(sheet)) {
        std::fprintf(stderr, "gallery: cannot write %s: %s\n", argv[1],
                     qPrintable(writer.errorString()));
        return 1;
    }
    std::printf("gallery: %dx%d written to %s\n", sheet.width(), sheet.height(), argv[1]);
    return 0;
}
