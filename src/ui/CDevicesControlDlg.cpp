#include "CDevicesControlDlg.h"

#include "CApplicationDlg.h"
#include "CGridCtrl.h"
#include "CNoteDlg.h"
#include "CSelectAdapterDlg.h"
#include "CSqlManagement.h"
#include "CTButtonPicture.h"
#include "CTStaticGdiplus.h"
#include "Language.h"
#include "Settings.h"
#include "SkinFont.h"
#include "SkinImage.h"
#include "SkinPaths.h"
#include "TranslateWindow.h"
#include "WindowMessages.h"

#include <QBitmap>

#include <algorithm>

namespace kestrune {

namespace {

QColor ColourOf(uint32_t value)
{
    return QColor(RedOf(value), GreenOf(value), BlueOf(value));
}

QFont FontOf(const FontDescription& font)
{
    return SkinFont(font.height, font.weight, QString::fromUtf8(font.faceName));
}

// A 24 x 24 image of the list with white as its transparent colour; a missing
// file gives an empty image.
QPixmap ListImage(SkinImage image)
{
    const QImage loaded = LoadSkinImage(SkinPath(image));
    if (loaded.isNull())
        return {};
    QPixmap pixmap =
        QPixmap::fromImage(loaded.scaled(24, 24).convertToFormat(QImage::Format_ARGB32));
    pixmap.setMask(pixmap.createMaskFromColor(QColor(255, 255, 255), Qt::MaskInColor));
    return pixmap;
}

int StatusImageOf(ResultClass result)
{
    switch (result) {
        case ResultSuccess:
            return CDevicesControlDlg::ImageSuccess;
        case ResultFail:
            return CDevicesControlDlg::ImageError;
        case ResultOperating:
            return CDevicesControlDlg::ImageOperating;
        default:
            return CDevicesControlDlg::ImageNone;
    }
}

// The largest pixel height, from the given one down to 11, at which the text
// fits the width on one line: the substitute faces are wider than the one the
// layout was drawn for, and translations are often longer.
int FittingPixels(const QString& text, int width, int pixels, int weight)
{
    for (; pixels > 11; --pixels) {
        if (QFontMetrics(SkinFont(pixels, weight)).horizontalAdvance(text) <= width)
            break;
    }
    return pixels;
}

CTStaticGdiplus* MakeStatic(QWidget* parent, const QString& text, int weight)
{
    auto* label = new CTStaticGdiplus(text, parent);
    label->SetTextFont(17, weight);
    label->SetTextColor(QColor(68, 68, 79));
    return label;
}

// Grid geometry on the page: below the counters, the four columns plus room
// for the vertical scroll bar.
constexpr int kGridLeft = 24;
constexpr int kGridTop = 92;
constexpr int kGridWidth = 780;
constexpr int kGridHeight = 380;
constexpr int kHeaderHeight = 38;

}  // namespace

CDevicesControlDlg::CDevicesControlDlg(CApplicationDlg* owner, QWidget* parent)
    : CTDialog(parent, Qt::Widget), m_owner(owner)
{
    SetupControls();
    SetupGrid();
    // The watch counts whole seconds; coarse timers may fire 5% early.
    for (QTimer* timer : {&m_timer1000, &m_timer2000, &m_timer3000})
        timer->setTimerType(Qt::PreciseTimer);
    connect(&m_timer1000, &QTimer::timeout, this, &CDevicesControlDlg::OnWatchTimer1000);
    connect(&m_timer2000, &QTimer::timeout, this, &CDevicesControlDlg::OnWatchTimer2000);
    connect(&m_timer3000, &QTimer::timeout, this, &CDevicesControlDlg::OnWatchTimer3000);
}

CSqlManagement* CDevicesControlDlg::Database() const
{
    return m_owner ? m_owner->Database() : CSqlManagement::GetInstance();
}

void CDevicesControlDlg::SetupControls()
{
    m_customization = new CTButtonPicture("Device Customization", this);
    m_antiTheft = new CTButtonPicture("Anti-Theft Protection", this);
    m_change = new CTButtonPicture("Change", this);
    m_adapterLabel = MakeStatic(this, "NIC:", 500);
    m_successLabel = MakeStatic(this, "Configuration successful: ", 0);
    m_successCountLabel = MakeStatic(this, "0", 0);
    m_failLabel = MakeStatic(this, "devices, Failed:", 0);
    m_failCountLabel = MakeStatic(this, "0", 0);
    m_devicesLabel = MakeStatic(this, "devices", 0);
    m_onlineLabel = MakeStatic(this, "Online devices count:", 0);
    m_onlineCountLabel = MakeStatic(this, "0", 0);
    m_onlineLabel->hide();
    m_onlineCountLabel->hide();

    TranslateWindow(this);
    SetBackgroundColor(ColourOf(ApplicationSettings().childBkColor));
    SetFillBackground(true);

    setFixedSize(817, 492);
    m_customization->setGeometry(24, 24, 140, 24);
    m_antiTheft->setGeometry(190, 24, 142, 24);
    m_adapterLabel->setGeometry(480, 30, 243, 36);
    m_adapterLabel->SetAlignment(CTStaticGdiplus::kAlignLeftTop);
    m_change->setGeometry(723, 30, 48, 18);
    LayoutCounters();

    for (auto* button : {m_customization, m_antiTheft}) {
        button->SetImages(
            SkinPath(SkinImage::ProtectionBtnNormal), SkinPath(SkinImage::ProtectionBtnOver),
            SkinPath(SkinImage::ProtectionBtnDown), SkinPath(SkinImage::ProtectionBtnDisable));
        button->SetTextColors(Qt::white, Qt::white, Qt::white);
        button->SetTextFont(FittingPixels(button->text(), button->width() - 8, 17, 400), 400);
    }
    m_change->SetImage(SkinPath(SkinImage::ChangeBtnNormal));
    const QColor red(216, 34, 40);
    m_change->SetTextColors(red, red, red);
    m_change->SetTextFont(FittingPixels(m_change->text(), m_change->width() - 2, 17, 500), 500);

    connect(m_customization, &QPushButton::clicked, this,
            [this] { OnDeliveryButton(PageDeviceCustomization); });
    connect(m_antiTheft, &QPushButton::clicked, this,
            [this] { OnDeliveryButton(PageAntiTheftProtection); });
    connect(m_change, &QPushButton::clicked, this, &CDevicesControlDlg::OnChange);
    UpdateAdapterLabel();
}

void CDevicesControlDlg::LayoutCounters()
{
    // Each text takes at least the room it needs, so that counts of a
    // thousand devices (and longer translations) are not cut off; the texts
    // after it move along.
    int x = 26;
    const std::pair<CTStaticGdiplus*, int> line[] = {{m_successLabel, 150},
                                                     {m_successCountLabel, 15},
                                                     {m_failLabel, 92},
                                                     {m_failCountLabel, 15},
                                                     {m_devicesLabel, 45}};
    for (const auto& [label, width] : line) {
        const int needed = QFontMetrics(label->TextFont()).horizontalAdvance(label->Text()) + 2;
        const int w = std::max(width, needed);
        label->setGeometry(x, 63, w, 18);
        x += w;
    }
}

void CDevicesControlDlg::SetupGrid()
{
    const AppSettings& settings = ApplicationSettings();
    m_grid = new CGridCtrl(this);
    m_grid->setGeometry(kGridLeft, kGridTop, kGridWidth, kGridHeight);
    m_grid->SetImageList({ListImage(SkinImage::Unselect), ListImage(SkinImage::Select),
                          ListImage(SkinImage::PartSelect), ListImage(SkinImage::Success),
                          ListImage(SkinImage::Error), ListImage(SkinImage::Operating)});
    m_grid->SetGridBkColour(ColourOf(settings.childBkColor));
    m_grid->SetGridLineColour(ColourOf(settings.lineColor));
    m_grid->SetDefaultFont(FontOf(settings.gridFont));
    m_grid->SetDefaultTextColour(ColourOf(settings.gridTextColor));
    m_grid->SetDefaultRowHeight(settings.rowHeight > 0 ? settings.rowHeight : kGridRowHeight);
    m_grid->SetColumnCount(4);
    m_grid->SetRowCount(1);
    m_grid->SetFixedRowCount(1);
    m_grid->SetRowHeight(0, kHeaderHeight);
    const char* titles[] = {"", "No.", "MAC Address", "Status"};
    const int widths[] = {63, 232, 341, 127};
    const QFont titleFont = FontOf(settings.gridTitleFont);
    for (int c = 0; c < 4; ++c) {
        m_grid->SetItemText(0, c, titles[c][0] ? Translate(QString(titles[c])) : QString());
        m_grid->SetColumnWidth(c, widths[c]);
        m_grid->SetItemFont(0, c, titleFont);
        m_grid->SetItemFgColour(0, c, ColourOf(settings.gridTitleTextColor));
        m_grid->SetItemBkColour(0, c, ColourOf(settings.gridTitleBkColor));
        m_grid->SetItemFormat(0, c, Qt::AlignLeft | Qt::AlignTop);
    }
    m_grid->SetItemImage(0, ColumnCheck, ImageUnselect);
    m_grid->SetHandCursorColumns({ColumnCheck, ColumnStatus});
    m_checks.assign(1, 0);
    connect(m_grid, &CGridCtrl::CellClicked, this, &CDevicesControlDlg::OnGridClick);
    m_grid->Refresh();
}

void CDevicesControlDlg::UpdateAdapterLabel()
{
    const QString adapter = CurrentAdapterText();
    const QString text = Translate(QStringLiteral("NIC:")) + adapter.left(70);
    // One line when a smaller face fits it; otherwise the two lines of the label.
    const int pixels = FittingPixels(text, m_adapterLabel->width() - 4, 17, 500);
    m_adapterLabel->SetTextFont(pixels > 13 ? pixels : 17, 500);
    m_adapterLabel->SetText(text);
    m_adapterLabel->setToolTip(adapter);
}

QString CDevicesControlDlg::AdapterLabelText() const
{
    return m_adapterLabel->Text();
}

QString CDevicesControlDlg::SuccessText() const
{
    return m_successCountLabel->Text();
}

QString CDevicesControlDlg::FailText() const
{
    return m_failCountLabel->Text();
}

int CDevicesControlDlg::CheckState(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_checks.size()))
        return 0;
    return m_checks[static_cast<size_t>(row)];
}

void CDevicesControlDlg::RefreshDevices(bool fill, int sortColumn)
{
    DeviceList devices;
    int rowCount = 0;
    int successCount = 0;
    int failCount = 0;
    if (auto* sql = Database())
        sql->QueryDevices(devices, rowCount, successCount, failCount, m_ascending, sortColumn);
    if (fill) {
        // The query's own statuses classify each row: the same answer as asking
        // the database once more per device, without a thousand queries.
        std::vector<std::pair<std::string, int>> rows;
        rows.reserve(devices.size());
        for (const auto& device : devices) {
            rows.emplace_back(FieldText(device.mac),
                              StatusImageOf(ClassifyResult(device.para_status, device.logo_status,
                                                           device.antitheft_status)));
        }
        Rebuild(rows);
    }
    m_grid->SetSortColumn(sortColumn, m_ascending);
    m_successCount = successCount;
    m_failCount = failCount;
    m_successCountLabel->SetText(QString::number(successCount));
    m_failCountLabel->SetText(QString::number(failCount));
    LayoutCounters();
}

void CDevicesControlDlg::Rebuild(const std::vector<std::pair<std::string, int>>& rows)
{
    m_grid->DeleteNonFixedRows();
    m_grid->ReserveRows(static_cast<int>(rows.size()) + 1);
    m_macRows.clear();
    m_macRows.reserve(static_cast<qsizetype>(rows.size()));
    const Qt::Alignment format = Qt::AlignLeft | Qt::AlignVCenter;
    for (const auto& [mac, image] : rows) {
        const int row = m_grid->InsertRow();
        const QString macText = QString::fromUtf8(mac);
        for (int c = 0; c < 4; ++c)
            m_grid->SetItemFormat(row, c, format);
        m_grid->SetItemText(row, ColumnNumber, QString::number(row));
        m_grid->SetItemText(row, ColumnMac, macText);
        m_grid->SetItemImage(row, ColumnStatus, image);
        m_grid->SetItemImage(row, ColumnCheck, ImageUnselect);
        if (!m_macRows.contains(macText))
            m_macRows.insert(macText, row);
    }
    m_checks.assign(static_cast<size_t>(m_grid->GetRowCount()), 0);
    m_checkedCount = 0;
    m_grid->SetItemImage(0, ColumnCheck, ImageUnselect);
    m_grid->Refresh();
}

void CDevicesControlDlg::UpdateHeaderCheck()
{
    const int deviceRows = m_grid->GetRowCount() - 1;
    int state = 2;
    if (m_checkedCount <= 0)
        state = 0;
    else if (m_checkedCount >= deviceRows)
        state = 1;
    m_checks[0] = state;
    m_grid->SetItemImage(0, ColumnCheck,
                         state == 0   ? ImageUnselect
                         : state == 1 ? ImageSelect
                                      : ImagePartSelect);
}

void CDevicesControlDlg::OnGridClick(int row, int column)
{
    const int rows = m_grid->GetRowCount();
    if (row == 0 && (column == ColumnMac || column == ColumnStatus)) {
        RefreshDevices(true, column);
        m_ascending = !m_ascending;
    } else if (row == 0 && column == ColumnCheck) {
        const bool checkAll = m_checks[0] == 0;
        for (int r = 1; r < rows; ++r) {
            m_checks[static_cast<size_t>(r)] = checkAll ? 1 : 0;
            m_grid->SetItemImage(r, ColumnCheck, checkAll ? ImageSelect : ImageUnselect);
        }
        m_checkedCount = checkAll ? rows - 1 : 0;
    } else if (row > 0 && row < rows && column == ColumnCheck) {
        int& state = m_checks[static_cast<size_t>(row)];
        state = state ? 0 : 1;
        m_grid->SetItemImage(row, ColumnCheck, state ? ImageSelect : ImageUnselect);
        m_checkedCount = std::max(m_checkedCount + (state ? 1 : -1), 0);
    }
    UpdateHeaderCheck();
    m_grid->Refresh();
    m_onlineCountLabel->SetText(QString::number(m_checkedCount));
}

void CDevicesControlDlg::OnDeliveryButton(int page)
{
    m_selection.clear();
    for (int r = 1; r < m_grid->GetRowCount(); ++r) {
        if (m_checks[static_cast<size_t>(r)])
            m_selection.push_back(m_grid->GetItemText(r, ColumnMac).toStdString());
    }
    if (m_selection.empty()) {
        ShowNote(Translate(QStringLiteral("Note")),
                 Translate(QStringLiteral("Please select the devices!")), false);
        return;
    }
    if (m_owner)
        m_owner->ShowDeliveryPage(page, m_selection);
}

void CDevicesControlDlg::ClearChecks()
{
    std::fill(m_checks.begin(), m_checks.end(), 0);
    m_checkedCount = 0;
}

void CDevicesControlDlg::OnChange()
{
    if (m_owner) {
        m_owner->SetMainBackground(SkinImage::MainBkPng);
        m_owner->AdapterPage()->FillAdapterBox();
        m_owner->ShowPage(PageSelectAdapter);
    }
    ClearChecks();
}

bool CDevicesControlDlg::event(QEvent* event)
{
    const int type = static_cast<int>(event->type());
    if (type == kOperationStartedAntiTheft || type == kOperationStartedCustomization) {
        OnOperationStarted(static_cast<PostedMessage*>(event)->LParam());
        return true;
    }
    return CTDialog::event(event);
}

void CDevicesControlDlg::SetControlsEnabled(bool enabled)
{
    m_antiTheft->setEnabled(enabled);
    m_customization->setEnabled(enabled);
    m_change->setEnabled(enabled);
    m_grid->setEnabled(enabled);
}

void CDevicesControlDlg::OnOperationStarted(intptr_t sender)
{
    if (sender == 0)
        return;
    for (int r = 1; r < m_grid->GetRowCount(); ++r)
        m_grid->SetItemImage(r, ColumnStatus, ImageNone);
    m_grid->Refresh();
    SetControlsEnabled(false);
    m_timer1000.stop();
    m_timer2000.stop();
    m_timer3000.stop();
    m_watchClock = 0;
    m_timer1000.start(1000);
    m_timer2000.start(2000);
    m_timer3000.start(3000);
}

void CDevicesControlDlg::OnWatchTimer1000()
{
    CSqlManagement* sql = Database();
    for (const auto& mac : m_selection) {
        const ResultClass result = sql ? sql->GetResultClass(mac) : ResultWaiting;
        if (sql)
            sql->UpdateResult(mac, result);
        const QString macText = QString::fromStdString(mac);
        const int row = m_macRows.value(macText, -1);
        if (row > 0 && m_grid->GetItemText(row, ColumnMac) == macText) {
            m_checks[static_cast<size_t>(row)] = 0;
            m_grid->SetItemImage(row, ColumnCheck, ImageUnselect);
            m_grid->SetItemImage(row, ColumnStatus, StatusImageOf(result));
        }
    }
    m_grid->SetItemImage(0, ColumnCheck, ImageUnselect);
    ClearChecks();
    m_grid->Refresh();
}

void CDevicesControlDlg::OnWatchTimer2000()
{
    RefreshDevices(false, ColumnMac);
}

void CDevicesControlDlg::OnWatchTimer3000()
{
    m_watchClock += 3;
    if (m_watchClock >= kWatchSeconds ||
        m_successCount + m_failCount == static_cast<int>(m_selection.size()))
        EndWatch();
}

void CDevicesControlDlg::EndWatch()
{
    m_timer3000.stop();
    m_timer1000.stop();
    m_timer2000.stop();
    m_selection.clear();
    m_watchClock = 0;
    SetControlsEnabled(true);
}

}  // namespace kestrune
