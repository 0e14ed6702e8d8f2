#include "CApplicationDlg.h"

#include "CApplicationApp.h"
#include "CDeliveryPlaceholderDlg.h"
#include "CDevicesControlDlg.h"
#include "CNoteDlg.h"
#include "CSelectAdapterDlg.h"
#include "CSqlManagement.h"
#include "CTButtonPicture.h"
#include "Language.h"
#include "Settings.h"
#include "TranslateWindow.h"
#include "WindowMessages.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>

namespace kestrune {

namespace {

constexpr int kWindowWidth = 817;
constexpr int kWindowHeight = 540;

// Tray menu commands, kept as the items' data.
constexpr int kCommandShowUtility = 32781;
constexpr int kCommandExit = 32782;

}  // namespace

QIcon CApplicationDlg::ApplicationIcon()
{
    static const QIcon icon = [] {
        QPixmap pixmap(64, 64);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(216, 34, 40));
        painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
        painter.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(QPointF(22, 16), QPointF(22, 48));
        painter.drawLine(QPointF(44, 16), QPointF(24, 33));
        painter.drawLine(QPointF(28, 30), QPointF(45, 48));
        painter.end();
        return QIcon(pixmap);
    }();
    return icon;
}

CApplicationDlg::CApplicationDlg(QWidget* parent)
    : CTDialog(parent), m_database(CSqlManagement::GetInstance())
{
    setObjectName(QStringLiteral("CApplicationDlg"));
    setWindowTitle(QStringLiteral("Kestrune"));
    setWindowIcon(ApplicationIcon());

    m_info = new CTButtonPicture(this);
    m_minimise = new CTButtonPicture(this);
    m_close = new CTButtonPicture(this);
    m_info->hide();

    TranslateWindow(this);
    SetBackgroundColor(CApplicationApp::ToColor(ApplicationSettings().childBkColor));
    SetFillBackground(true);
    setFixedSize(kWindowWidth, kWindowHeight);
    SetRoundedCorners(8, 8);
    m_minimise->setGeometry(763, 16, 16, 16);
    m_close->setGeometry(784, 16, 16, 16);
    m_info->setGeometry(742, 16, 16, 16);

    m_minimise->setToolTip(Translate(QStringLiteral("Min")));
    m_close->setToolTip(Translate(QStringLiteral("Close")));
    m_info->setToolTip(Translate(QStringLiteral("Info")));

    m_minimise->SetImages(SkinPath(SkinImage::BtnMinNormal), SkinPath(SkinImage::BtnMinOver),
                          SkinPath(SkinImage::BtnMinDown), SkinPath(SkinImage::BtnMinDown));
    m_info->SetImage(SkinPath(SkinImage::HelpNormal));
    SetCloseImageSet(1);
    connect(m_minimise, &QPushButton::clicked, this, &CApplicationDlg::OnMinimise);
    connect(m_close, &QPushButton::clicked, this, &CApplicationDlg::OnExit);

    CreateTrayIcon();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kWindowWidth / 2, kWindowHeight / 2));
    }

    m_adapterPage = new CSelectAdapterDlg(this, this);
    m_adapterPage->move(247, 126);
    m_adapterPage->hide();
    m_devicesPage = new CDevicesControlDlg(this, this);
    m_devicesPage->move(0, 48);
    m_devicesPage->hide();
    m_antiTheftPage = new CDeliveryPlaceholderDlg(this, QStringLiteral("Anti-Theft Protection"),
                                                  QSize(420, 426), this);
    m_antiTheftPage->move(198, 57);
    m_antiTheftPage->hide();
    m_customizationPage = new CDeliveryPlaceholderDlg(this, QStringLiteral("Device Customization"),
                                                      QSize(420, 324), this);
    m_customizationPage->move(200, 142);
    m_customizationPage->hide();

    SetNoteMainWindow(this);
    ShowPage(PageSelectAdapter);
}

CApplicationDlg::~CApplicationDlg()
{
    if (m_tray)
        m_tray->hide();
    if (NoteMainWindow() == this)
        SetNoteMainWindow(nullptr);
}

void CApplicationDlg::CreateTrayIcon()
{
    m_trayMenu = new QMenu(QStringLiteral("tray"), this);
    QAction* show = m_trayMenu->addAction(QStringLiteral("Show Utility"));
    show->setData(kCommandShowUtility);
    QAction* exit = m_trayMenu->addAction(QStringLiteral("Exit"));
    exit->setData(kCommandExit);
    TranslateMenu(m_trayMenu);
    connect(show, &QAction::triggered, this, &CApplicationDlg::ShowUtility);
    connect(exit, &QAction::triggered, this, &CApplicationDlg::OnExit);

    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(ApplicationIcon(), this);
    m_tray->setToolTip(Translate(QStringLiteral("Kestrune")));
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) {
                    ShowUtility();
                    raise();
                    activateWindow();
                }
            });
    m_tray->show();
}

void CApplicationDlg::SetCloseImageSet(int set)
{
    m_closeImageSet = set == 2 ? 2 : 1;
    m_close->SetImages(
        SkinPath(m_closeImageSet == 2 ? SkinImage::BtnCloseNormal2 : SkinImage::BtnCloseNormal),
        SkinPath(SkinImage::BtnCloseOver), SkinPath(SkinImage::BtnCloseDown),
        SkinPath(SkinImage::BtnCloseDown));
}

void CApplicationDlg::SetMainBackground(SkinImage image)
{
    m_background = image;
    SetBackgroundImage(SkinPath(image));
    update();
}

void CApplicationDlg::HideChildren()
{
    m_adapterPage->hide();
    m_devicesPage->hide();
    m_antiTheftPage->hide();
    m_customizationPage->hide();
}

void CApplicationDlg::ShowPage(int page)
{
    HideChildren();
    if (page == PageDevicesControl) {
        SetCloseImageSet(1);
        m_minimise->show();
        m_close->show();
        SetMainBackground(SkinImage::MainBkJpg);
        m_devicesPage->show();
    } else {
        SetMainBackground(SkinImage::MainBkPng);
        SetCloseImageSet(2);
        m_minimise->hide();
        m_adapterPage->show();
    }
}

void CApplicationDlg::ShowDeliveryPage(int page, const std::vector<std::string>& selection)
{
    HideChildren();
    SetCloseImageSet(1);
    m_minimise->hide();
    m_close->hide();
    SetMainBackground(SkinImage::MainBk3Jpg);
    CTDialog* dialog = page == PageAntiTheftProtection ? m_antiTheftPage : m_customizationPage;
    dialog->show();
    if (auto* delivery = dynamic_cast<DeliveryPage*>(dialog)) {
        if (page == PageAntiTheftProtection)
            delivery->FocusFirstField();
        delivery->SetDeviceList(selection);
    }
}

void CApplicationDlg::OnMinimise()
{
    if (m_tray && m_tray->isVisible())
        hide();
    else
        showMinimized();
}

void CApplicationDlg::ShowUtility()
{
    if (isMinimized())
        showNormal();
    show();
}

void CApplicationDlg::OnExit()
{
    done(QDialog::Accepted);
}

void CApplicationDlg::ShowAbout()
{
    ShowNote(Translate(QStringLiteral("About Kestrune")),
             Translate(QStringLiteral("Kestrune")) + QStringLiteral(" ") +
                 QStringLiteral(KESTRUNE_VERSION),
             false);
}

void CApplicationDlg::contextMenuEvent(QContextMenuEvent* event)
{
    // The title strip stands in for the window's system menu, which a
    // frameless window does not have.
    if (event->pos().y() >= 48)
        return CTDialog::contextMenuEvent(event);
    QMenu menu(this);
    QAction* about = menu.addAction(Translate(QStringLiteral("About Kestrune...")));
    if (menu.exec(event->globalPos()) == about)
        ShowAbout();
}

void CApplicationDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::AltModifier) {
        QMenu menu(this);
        QAction* about = menu.addAction(Translate(QStringLiteral("About Kestrune...")));
        if (menu.exec(mapToGlobal(QPoint(8, 8))) == about)
            ShowAbout();
        return;
    }
    CTDialog::keyPressEvent(event);
}

}  // namespace kestrune
