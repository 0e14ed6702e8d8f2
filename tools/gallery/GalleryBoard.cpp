#include "GalleryBoard.h"

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace kestrune::gallery {

namespace {

constexpr int kMargin = 32;
constexpr int kTileGap = 22;
constexpr int kRowGap = 14;
constexpr int kCaptionGap = 6;
constexpr int kSectionGap = 26;

const QColor kInk(68, 68, 79);
const QColor kSoftInk(146, 146, 157);
const QColor kRule(235, 238, 237);
const QColor kAccent(216, 34, 40);

QFont TitleFont()
{
    QFont f(QStringLiteral("Microsoft YaHei"));
    f.setPixelSize(17);
    f.setWeight(QFont::DemiBold);
    return f;
}

QFont CaptionFont()
{
    QFont f(QStringLiteral("Microsoft YaHei"));
    f.setPixelSize(12);
    return f;
}

struct Placed {
    QPoint at;
    const Tile* tile;
};

// Flows the tiles of one section into rows; returns the height used.
int FlowTiles(const QList<Tile>& tiles, int left, int top, int width, QList<Placed>* placed)
{
    const QFontMetrics caption(CaptionFont());
    const int captionHeight = caption.height();
    int x = left;
    int y = top;
    int rowHeight = 0;
    for (const Tile& t : tiles) {
        const int w = std::max(t.image.width(), caption.horizontalAdvance(t.caption));
        if (x > left && x + w > left + width) {
            x = left;
            y += rowHeight + kRowGap;
            rowHeight = 0;
        }
        placed->append({QPoint(x, y), &t});
        rowHeight = std::max(rowHeight, t.image.height() + kCaptionGap + captionHeight);
        x += w + kTileGap;
    }
    return y + rowHeight - top;
}

}  // namespace

QImage ComposeBoard(const QImage& logo, const QString& heading, const QList<Section>& sections,
                    int width)
{
    const int inner = width - 2 * kMargin;
    const QFontMetrics titleMetrics(TitleFont());
    const int headerHeight = std::max(logo.height(), 48) + 28;

    // First pass: where everything goes, so the sheet gets its height.
    QList<QList<Placed>> placements;
    QList<int> sectionTops;
    int y = headerHeight + 10;
    for (const Section& s : sections) {
        sectionTops.append(y);
        y += titleMetrics.height() + 12;
        QList<Placed> placed;
        y += FlowTiles(s.tiles, kMargin, y, inner, &placed);
        placements.append(placed);
        y += kSectionGap;
    }
    const int height = y + kMargin - kSectionGap;

    QImage sheet(width, height, QImage::Format_ARGB32);
    sheet.fill(QColor(255, 255, 255));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    p.fillRect(QRect(0, 0, width, 4), kAccent);
    if (!logo.isNull()) {
        p.drawImage(QPoint(kMargin - 18, 14), logo);
    }
    p.setFont(TitleFont());
    p.setPen(kSoftInk);
    p.drawText(QRect(kMargin, 14, inner, logo.isNull() ? 48 : logo.height()),
               Qt::AlignRight | Qt::AlignVCenter, heading);
    p.fillRect(QRect(0, headerHeight - 1, width, 1), kRule);

    const QFontMetrics captionMetrics(CaptionFont());
    for (int i = 0; i < sections.size(); ++i) {
        const int top = sectionTops[i];
        p.setFont(TitleFont());
        p.setPen(kInk);
        p.fillRect(QRect(kMargin, top + 3, 3, titleMetrics.height() - 6), kAccent);
        p.drawText(QPoint(kMargin + 11, top + titleMetrics.ascent()), sections[i].title);
        p.fillRect(QRect(kMargin, top + titleMetrics.height() + 5, inner, 1), kRule);
        p.setFont(CaptionFont());
        p.setPen(kSoftInk);
        for (const Placed& pl : placements[i]) {
            p.drawImage(pl.at, pl.tile->image);
            p.drawText(QPoint(pl.at.x(), pl.at.y() + pl.tile->image.height() + kCaptionGap +
                                             captionMetrics.ascent()),
                       pl.tile->caption);
        }
    }
    p.end();
    return sheet;
}

}  // namespace kestrune::gallery
