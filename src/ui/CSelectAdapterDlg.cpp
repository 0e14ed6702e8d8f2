#include "CSelectAdapterDlg.h"

#include "AcTransmitManage.h"
#include "CApplicationApp.h"
#include "CApplicationDlg.h"
#include "CCustomComboBox.h"
#include "CDevicesControlDlg.h"
#include "CNoteDlg.h"
#include "CSqlManagement.h"
#include "CTButtonPicture.h"
#include "CTPicture.h"
#include "CTStaticGdiplus.h"
#include "Language.h"
#include "Settings.h"
#include "SkinFont.h"
#include "SkinPaths.h"
#include "TranslateWindow.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>

#include <unistd.h>

namespace kestrune {

namespace {

QString& AdapterTextInUse()
{
    static QString text;
    return text;
}

// Bit of CAP_NET_RAW in the capability masks of /proc/<pid>/status.
constexpr int kCapNetRaw = 13;

QString DisplayTextOf(const adapter_info_stu& adapter)
{
    return QString::fromStdString(AdapterDisplayText(adapter));
}

std::optional<bool>& CapturePermittedOverride()
{
    static std::optional<bool> permitted;
    return permitted;
}

}  // namespace

QString CurrentAdapterText()
{
    return AdapterTextInUse();
}

void SetCurrentAdapterText(const QString& text)
{
    AdapterTextInUse() = text;
}

void OverrideCapturePermitted(std::optional<bool> permitted)
{
    CapturePermittedOverride() = permitted;
}

bool CapturePermitted()
{
    if (CapturePermittedOverride())
        return *CapturePermittedOverride();
    if (::geteuid() == 0)
        return true;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (!line.startsWith("CapEff:"))
            continue;
        bool ok = false;
        const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
        return ok && (mask >> kCapNetRaw & 1);
    }
    return false;
}

QString CaptureCapabilityCommand(const QString& executable)
{
    return QStringLiteral("sudo setcap cap_net_raw,cap_net_admin=eip ") + executable;
}

CSelectAdapterDlg::CSelectAdapterDlg(CApplicationDlg* owner, QWidget* parent)
    : CTDialog(parent, Qt::Widget), m_owner(owner)
{
    m_logo = new CTPicture(this);
    m_caption = new CTStaticGdiplus(this);
    m_adapterBox = new CCustomComboBox(this);
    m_scanButton = new CTButtonPicture(QStringLiteral("Scan Devices"), this);
    m_hintLine = new CTStaticGdiplus(this);
    m_waitAnimation = new CTPicture(this);

    TranslateWindow(this);
    const AppSettings& settings = ApplicationSettings();
    SetBackgroundColor(CApplicationApp::ToColor(settings.childBkColor));
    SetFillBackground(true);
    setFixedSize(324, 288);
    SetRoundedCorners(8, 8);

    m_logo->setGeometry(53, 16, 220, 48);
    m_logo->SetBackgroundColor(CApplicationApp::ToColor(settings.childBkColor));
    m_logo->Load(SkinPath(SkinImage::OrvikLogo));

    // Wider than the 178 pixels it was drawn for: the substitute faces need more.
    m_caption->setGeometry(12, 64, 300, 32);
    m_caption->SetTextFont(20, 500);
    m_caption->SetTextColor(QColor(128, 128, 128));
    m_caption->SetAlignment(CTStaticGdiplus::kAlignCenter);
    // Set after the window translation, as the page always has.
    m_caption->SetText(Translate(QStringLiteral("Select Network Adapter")));

    m_adapterBox->setGeometry(53, 120, 218, 24);
    m_adapterBox->SetFieldHeight(24);
    m_adapterBox->SetItemHeight(20);
    m_adapterBox->SetTextFont(SkinFont(14));
    m_adapterBox->SetArrowImage(SkinPath(SkinImage::ComboxDown));

    m_scanButton->setGeometry(53, 182, 218, 24);
    m_scanButton->SetImages(SkinPath(SkinImage::ScanBtnNormal), SkinPath(SkinImage::ScanBtnOver),
                            SkinPath(SkinImage::ScanBtnDown), SkinPath(SkinImage::ScanBtnDisable));
    m_scanButton->SetTextColors(Qt::white, Qt::white, Qt::white);
    m_scanButton->SetTextFont(17, 400);

    m_hintLine->setGeometry(8, 254, 309, 18);
    m_hintLine->SetTextFont(15, 0);
    m_hintLine->SetTextColor(QColor(180, 180, 180));
    m_hintLine->SetAlignment(CTStaticGdiplus::kAlignCenter);
    m_hintLine->installEventFilter(this);

    m_waitAnimation->SetBackgroundColor(CApplicationApp::ToColor(settings.childBkColor));
    m_waitAnimation->Load(SkinPath(SkinImage::WaitSearchGif));
    QSize size = m_waitAnimation->PictureSize();
    if (size.isEmpty() || size.height() > 40)
        size = QSize(40, 40);
    m_waitAnimation->setGeometry((324 - size.width()) / 2, 212, size.width(), size.height());
    m_waitAnimation->hide();

    connect(m_scanButton, &QPushButton::clicked, this, &CSelectAdapterDlg::OnScanClicked);
    // Coarse timers may fire 5% early; the scan rule counts whole seconds.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CSelectAdapterDlg::OnScanTimer);
    FillAdapterBox();
}

CSelectAdapterDlg::~CSelectAdapterDlg()
{
    m_timer.stop();
}

QString CSelectAdapterDlg::HintText() const
{
    return m_hint;
}

void CSelectAdapterDlg::SetHint(const QString& line, const QString& full)
{
    m_hint = full.isEmpty() ? line : full;
    // The line is narrow: it shows what fits; the tooltip and a click on it
    // show the whole text (with the command to copy, where there is one).
    const QFontMetrics metrics(m_hintLine->TextFont());
    m_hintLine->SetText(metrics.elidedText(line, Qt::ElideRight, m_hintLine->width() - 4));
    m_hintLine->setToolTip(m_hint);
    m_hintLine->setCursor(m_hint != line ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

bool CSelectAdapterDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_hintLine && event->type() == QEvent::MouseButtonRelease && !m_hint.isEmpty())
        ShowNote(Translate(QStringLiteral("Note")), m_hint, false);
    return CTDialog::eventFilter(watched, event);
}

void CSelectAdapterDlg::ShowIdleHint()
{
    if (!CapturePermitted()) {
        const QString exe = QCoreApplication::applicationFilePath();
        SetHint(Translate(QStringLiteral("No capture rights: click here for the fix")),
                Translate(QStringLiteral(
                    "Capturing frames needs root or the raw-capture capabilities. Run Kestrune "
                    "as root, or give it the capabilities once with:")) +
                    QStringLiteral("\n") + CaptureCapabilityCommand(exe));
    } else if (m_adapterBox->GetCount() == 0) {
        SetHint(Translate(QStringLiteral("No Ethernet adapter found: connect or enable one")));
    } else if (m_owner && m_owner->Database() && !m_owner->Database()->IsOpen()) {
        SetHint(Translate(QStringLiteral("The results database is not open")),
                Translate(QStringLiteral(
                    "The results database could not be opened: scans find no device. Make the "
                    "program folder writable and start Kestrune again.")));
    } else {
        SetHint(Translate(QStringLiteral("Pick the adapter facing the devices")));
    }
}

void CSelectAdapterDlg::FillAdapterBox()
{
    AcTransmitManage* transport = AcTransmitManage::Instance();
    AdapterList adapters;
    transport->GetAdapterList(adapters);
    m_adapterBox->ResetContent();
    for (const auto& adapter : adapters)
        m_adapterBox->AddString(DisplayTextOf(adapter));
    if (!adapters.empty()) {
        bool found = false;
        if (!m_remembered.isEmpty()) {
            for (size_t i = 0; i < adapters.size(); ++i) {
                if (DisplayTextOf(adapters[i]) == m_remembered) {
                    SetCurrentAdapterText(m_remembered);
                    transport->ApplyAdapter(adapters[i]);
                    m_adapterBox->SetCurSel(static_cast<int>(i));
                    found = true;
                    break;
                }
            }
        }
        if (!found && m_adapterBox->GetCurSel() < 0) {
            m_remembered = DisplayTextOf(adapters[0]);
            SetCurrentAdapterText(m_remembered);
            transport->ApplyAdapter(adapters[0]);
            m_adapterBox->SetCurSel(0);
        }
    }
    ShowIdleHint();
}

bool CSelectAdapterDlg::ApplySelection()
{
    AcTransmitManage* transport = AcTransmitManage::Instance();
    AdapterList adapters;
    transport->GetAdapterList(adapters);
    // The box's line is found again by its text: a line number alone would
    // pick another adapter when one before it has gone since the fill.
    const QString chosen = m_adapterBox->GetSelectedText();
    for (const auto& adapter : adapters) {
        if (DisplayTextOf(adapter) != chosen)
            continue;
        m_remembered = chosen;
        SetCurrentAdapterText(chosen);
        transport->ApplyAdapter(adapter);
        transport->Init();
        return true;
    }
    return false;
}

void CSelectAdapterDlg::OnScanClicked()
{
    if (!m_scanAllowed)
        return;
    if (m_adapterBox->GetCurSel() < 0) {
        ShowNote(Translate(QStringLiteral("Note")),
                 Translate(QStringLiteral("Ensure the computer's NIC is enabled!")), false);
        FillAdapterBox();
        return;
    }
    if (!ApplySelection()) {
        // The adapter went away after the box was filled: offer what is there now.
        const QString gone = m_adapterBox->GetSelectedText();
        FillAdapterBox();
        SetHint(Translate(QStringLiteral("The adapter has gone: pick one and scan again")),
                Translate(QStringLiteral("The adapter is no longer present:")) + " " + gone);
        return;
    }
    m_timer.stop();
    m_scanAllowed = false;
    m_waitAnimation->show();
    m_waitAnimation->Start();
    m_scanButton->setEnabled(false);
    m_scanButton->setText(Translate(QStringLiteral("Scanning for devices")));

    AcTransmitManage* transport = AcTransmitManage::Instance();
    if (!transport->Receiving()) {
        // The scan still runs its course (and ends with no device), but the
        // operator learns why nothing will answer.
        if (!CapturePermitted())
            ShowIdleHint();
        else
            SetHint(Translate(QStringLiteral("No capture on this adapter: is it up?")),
                    Translate(QStringLiteral("The capture could not be opened on:")) + " " +
                        QString::fromStdString(transport->CaptureName()));
    } else {
        SetHint(Translate(QStringLiteral("Waiting for the devices to answer...")));
    }
    transport->ClearDeviceTable();
    if (m_owner && m_owner->Database())
        m_owner->Database()->DeleteAllDevices();
    m_decision.Reset();
    transport->BroadcastDiscover();
    m_timer.start(1000);
}

void CSelectAdapterDlg::OnScanTimer()
{
    DeviceList devices;
    int count = 0;
    int success = 0;
    int fail = 0;
    if (m_owner && m_owner->Database())
        m_owner->Database()->QueryDevices(devices, count, success, fail, true, SortByMac);
    switch (m_decision.Tick(count)) {
        case ScanDecision::Action::Finish:
            FinishScan();
            break;
        case ScanDecision::Action::Rebroadcast:
            AcTransmitManage::Instance()->BroadcastDiscover();
            break;
        case ScanDecision::Action::Continue:
            break;
    }
}

void CSelectAdapterDlg::FinishScan()
{
    m_timer.stop();
    m_scanAllowed = true;
    m_waitAnimation->Stop();
    m_waitAnimation->hide();
    m_scanButton->setEnabled(true);
    m_scanButton->setText(Translate(QStringLiteral("Scan Devices")));
    if (AcTransmitManage::Instance()->Receiving())
        ShowIdleHint();
    if (m_owner) {
        m_owner->ShowPage(PageDevicesControl);
        m_owner->DevicesPage()->UpdateAdapterLabel();
        m_owner->DevicesPage()->RefreshDevices(true, SortByMac);
    }
    m_decision.Reset();
}

}  // namespace kestrune
