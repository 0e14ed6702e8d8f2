#include "CNoteDlg.h"

#include "CColorLine.h"
#include "CTButtonPicture.h"
#include "CTStaticGdiplus.h"
#include "SkinFont.h"
#include "SkinImage.h"
#include "TranslateWindow.h"

#include <QApplication>
#include <QMetaObject>
#include <QPointer>
#include <QScreen>
#include <QThread>

namespace kestrune {

namespace {

QPointer<QWidget>& MainWindowSlot()
{
    static QPointer<QWidget> window;
    return window;
}

NoteAnswerer& AnswererSlot()
{
    static NoteAnswerer answerer;
    return answerer;
}

const QColor kNoteText(68, 68, 79);
const QColor kNoteRed(216, 34, 40);

}  // namespace

CNoteDlg::CNoteDlg(const QString& title, const QString& text, bool withCancel, QWidget* parent)
    : CTDialog(parent), m_title(title), m_text(text), m_withCancel(withCancel)
{
    setFixedSize(415, 162);
    setWindowTitle(QStringLiteral("Note"));
    SetFillBackground(true);
    SetBackgroundColor(QColor(248, 248, 248));
    SetDragAnywhere(true);

    m_titleStatic = new CTStaticGdiplus(QStringLiteral("Note"), this);
    m_titleStatic->setGeometry(16, 11, 105, 18);
    m_titleStatic->SetTextFont(17, 600);
    m_titleStatic->SetTextColor(kNoteText);

    m_close = new CTButtonPicture(this);
    m_close->setGeometry(388, 12, 16, 16);
    m_close->SetImage(SkinPath(QStringLiteral("btn_child_close2.png")));

    m_topLine = new CColorLine(QColor(235, 238, 237), this);
    m_topLine->setGeometry(0, 35, 420, 1);

    m_textStatic = new CTStaticGdiplus(this);
    m_textStatic->setGeometry(65, 49, 320, 60);
    m_textStatic->SetTextFont(17, 400);
    m_textStatic->SetTextColor(kNoteText);

    m_bottomLine = new CColorLine(QColor(235, 238, 237), this);
    m_bottomLine->setGeometry(0, 116, 420, 1);
    m_bottomLine->hide();

    m_cancel = new CTButtonPicture(QStringLiteral("Cancel"), this);
    m_cancel->setGeometry(252, 128, 71, 27);
    m_cancel->SetImages(SkinPath(QStringLiteral("cancel_btn_normal.png")),
                        SkinPath(QStringLiteral("cancel_btn_over.png")),
                        SkinPath(QStringLiteral("cancel_btn_down.png")),
                        SkinPath(QStringLiteral("cancel_btn_normal.png")));
    m_cancel->SetTextColors(kNoteText, kNoteRed, kNoteText);
    m_cancel->SetTextFont(17, 400);

    m_ok = new CTButtonPicture(QStringLiteral("Ok"), this);
    m_ok->setGeometry(332, 128, 67, 27);
    m_ok->SetImages(SkinPath(QStringLiteral("apply_btn_normal.png")),
                    SkinPath(QStringLiteral("apply_btn_over.png")),
                    SkinPath(QStringLiteral("apply_btn_down.png")),
                    SkinPath(QStringLiteral("apply_btn_disable.png")));
    m_ok->SetTextColors(Qt::white, Qt::white, Qt::white);
    m_ok->SetTextFont(17, 400);

    // The resource texts are translated before the caller's title and text
    // replace the placeholders, so those are never translated a second time.
    TranslateWindow(this);

    m_titleStatic->SetText(m_title);
    m_textStatic->SetText(m_text);
    m_cancel->setVisible(m_withCancel);

    connect(m_ok, &QPushButton::clicked, this, [this] { done(kNoteOk); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { done(kNoteCancel); });
    connect(m_close, &QPushButton::clicked, this, [this] { done(kNoteCancel); });

    SetRoundedCorners(8, 8);
}

CNoteDlg::~CNoteDlg() = default;

void CNoteDlg::reject()
{
    done(kNoteCancel);
}

void SetNoteMainWindow(QWidget* window)
{
    MainWindowSlot() = window;
}

QWidget* NoteMainWindow()
{
    if (QWidget* window = MainWindowSlot().data())
        return window;
    return QApplication::activeWindow();
}

void SetNoteAnswerer(NoteAnswerer answerer)
{
    AnswererSlot() = std::move(answerer);
}

static int ShowNoteHere(const QString& title, const QString& text, bool withCancel)
{
    if (const NoteAnswerer& answerer = AnswererSlot())
        return answerer(title, text, withCancel) == kNoteOk ? kNoteOk : kNoteCancel;

    QWidget* over = NoteMainWindow();
    CNoteDlg dialog(title, text, withCancel, over);
    dialog.setWindowModality(Qt::ApplicationModal);
    QPoint centre;
    if (over && over->isVisible()) {
        centre = over->mapToGlobal(over->rect().center());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        centre = screen->availableGeometry().center();
    }
    dialog.move(centre - QPoint(dialog.width() / 2, dialog.height() / 2));
    const int result = dialog.exec();
    // Closed any other way (the window manager, the application quitting): Cancel.
    return result == kNoteOk ? kNoteOk : kNoteCancel;
}

int ShowNote(const QString& title, const QString& text, bool withCancel)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        // Windows live on the window thread only; a worker waits for the answer.
        int result = kNoteCancel;
        QMetaObject::invokeMethod(
            app, [&] { result = ShowNoteHere(title, text, withCancel); },
            Qt::BlockingQueuedConnection);
        return result;
    }
    return ShowNoteHere(title, text, withCancel);
}

}  // namespace kestrune
