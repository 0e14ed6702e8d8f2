#include "SkinPainter.h"

#include <algorithm>
#include <cmath>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

namespace kestrune::skingen {

namespace {

// The palette of the skin: one accent red and the text grey, with their shades.
const QColor kAccent(216, 34, 40);
const QColor kAccentOver(196, 26, 32);
const QColor kAccentDown(166, 18, 24);
const QColor kAccentDisabled(232, 150, 153);
const QColor kAccentTint(253, 240, 240);
const QColor kAccentTintDown(250, 224, 225);
const QColor kText(68, 68, 79);
const QColor kTextSoft(146, 146, 157);
const QColor kBorder(213, 213, 220);
const QColor kLine(235, 238, 237);
const QColor kSuccess(38, 160, 92);
const QColor kOperating(240, 150, 20);
// Pure white is the transparent colour of the grid's image list, so the
// inside of an icon uses a white that stays opaque.
const QColor kOpaqueWhite(254, 254, 254);

QImage Canvas(int w, int h, const QColor& fill = Qt::transparent)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

void Smooth(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QList<GifFrame> Still(const QImage& img)
{
    return {GifFrame{img, 0}};
}

// A flat rounded button face with an optional one-pixel border.
QImage ButtonFace(QSize size, const QColor& fill, const QColor& border = Qt::transparent,
                  qreal radius = 4)
{
    QImage img = Canvas(size.width(), size.height());
    QPainter p(&img);
    Smooth(p);
    if (border.alpha() > 0) {
        p.setPen(QPen(border, 1));
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), radius, radius);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(0, 0, size.width(), size.height()), radius, radius);
    }
    return img;
}

// --- The wordmark, built from strokes so it does not depend on installed fonts.

struct Glyph {
    qreal width;
    QPainterPath centre;  // stroke centre line in a box of width x 10 units
};

constexpr qreal kCap = 10.0;     // cap height in units
constexpr qreal kStroke = 1.75;  // stroke width in units
constexpr qreal kGap = 2.1;      // space between letters in units

QPainterPath RoundedPolyline(const QList<QPointF>& pts, qreal r)
{
    // A polyline whose inner corners are rounded with radius r.
    QPainterPath path(pts.first());
    for (int i = 1; i + 1 < pts.size(); ++i) {
        const QPointF a = pts[i - 1];
        const QPointF b = pts[i];
        const QPointF c = pts[i + 1];
        const QPointF ab = a - b;
        const QPointF cb = c - b;
        const qreal lab = std::hypot(ab.x(), ab.y());
        const qreal lcb = std::hypot(cb.x(), cb.y());
        const qreal rr = std::min({r, lab / 2, lcb / 2});
        path.lineTo(b + ab / lab * rr);
        path.quadTo(b, b + cb / lcb * rr);
    }
    path.lineTo(pts.last());
    return path;
}

Glyph GlyphFor(char c)
{
    const qreal h = kStroke / 2;
    const qreal r = 2.4;
    QPainterPath p;
    switch (c) {
        case 'K': {
            const qreal w = 6.6;
            p.moveTo(h, -1);
            p.lineTo(h, kCap + 1);
            // Upper arm from the stem to the top right, lower leg from the arm to the foot.
            p.moveTo(h, 6.3);
            p.lineTo(w + 1.2, -1.6);
            p.moveTo(2.9, 3.9);
            p.lineTo(w + 1.2, kCap + 1.6);
            return {w, p};
        }
        case 'E': {
            const qreal w = 5.8;
            p.addPath(RoundedPolyline({{w + 1, h}, {h, h}, {h, kCap - h}, {w + 1, kCap - h}}, 0));
            p.moveTo(h, kCap / 2);
            p.lineTo(w - 0.7, kCap / 2);
            return {w, p};
        }
        case 'S': {
            const qreal w = 6.6;
            p = RoundedPolyline({{w + 1, h},
                                 {h, h},
                                 {h, kCap / 2},
                                 {w - h, kCap / 2},
                                 {w - h, kCap - h},
                                 {-1, kCap - h}},
                                r);
            return {w, p};
        }
        case 'T': {
            const qreal w = 6.6;
            p.moveTo(-1, h);
            p.lineTo(w + 1, h);
            p.moveTo(w / 2, h);
            p.lineTo(w / 2, kCap + 1);
            return {w, p};
        }
        case 'R': {
            const qreal w = 6.6;
            const qreal mid = 5.6;
            p = RoundedPolyline({{h, kCap + 1}, {h, h}, {w - h, h}, {w - h, mid}, {h, mid}}, r);
            p.moveTo(3.4, mid);
            p.lineTo(w + 1.4, kCap + 1.8);
            return {w, p};
        }
        case 'U': {
            const qreal w = 6.6;
            p = RoundedPolyline({{h, -1}, {h, kCap - h}, {w - h, kCap - h}, {w - h, -1}}, r);
            return {w, p};
        }
        case 'N': {
            const qreal w = 6.8;
            p.moveTo(h, kCap + 1);
            p.lineTo(h, h);
            p.lineTo(w - h, kCap - h);
            p.lineTo(w - h, -1);
            return {w, p};
        }
        default:
            return {4.0, p};
    }
}

// The filled outline of a word at the given cap height (pixels), top left at 0,0.
QPainterPath WordmarkPath(const QString& word, qreal capPx, qreal* widthPx)
{
    const qreal scale = capPx / kCap;
    QPainterPathStroker stroker;
    stroker.setWidth(kStroke);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    stroker.setMiterLimit(8);
    QPainterPath all;
    qreal x = 0;
    for (const QChar ch : word) {
        const Glyph g = GlyphFor(char(ch.toLatin1()));
        QPainterPath box;
        box.addRect(QRectF(0, 0, g.width, kCap));
        QPainterPath outline = stroker.createStroke(g.centre).intersected(box);
        outline.translate(x, 0);
        all.addPath(outline);
        x += g.width + kGap;
    }
    all.setFillRule(Qt::WindingFill);
    QTransform t;
    t.scale(scale, scale);
    if (widthPx != nullptr) {
        *widthPx = (x - kGap) * scale;
    }
    return t.map(all).simplified();
}

void DrawWordmark(QPainter& p, QPointF topLeft, qreal capPx, const QColor& colour)
{
    qreal width = 0;
    QPainterPath path = WordmarkPath(QStringLiteral("KESTRUNE"), capPx, &width);
    path.translate(topLeft);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
}

// The maker's mark: a red rounded diamond split by a white chevron, with a
// small grey diamond beside it, like a rune cut in stone.
void DrawMark(QPainter& p, QPointF centre, qreal size)
{
    p.save();
    p.translate(centre);
    p.setPen(Qt::NoPen);
    const qreal s = size / 2;
    QPainterPath diamond = RoundedPolyline({{0, -s}, {s, 0}, {0, s}, {-s, 0}, {0, -s}}, s * 0.22);
    diamond.closeSubpath();
    p.setBrush(kAccent);
    p.drawPath(diamond);
    // The chevron: a notch pointing right, cut out of the diamond in white.
    QPainterPathStroker stroker;
    stroker.setWidth(s * 0.24);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    QPainterPath chevron;
    chevron.moveTo(-s * 0.30, -s * 0.48);
    chevron.lineTo(s * 0.18, 0);
    chevron.lineTo(-s * 0.30, s * 0.48);
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(stroker.createStroke(chevron).intersected(diamond));
    p.restore();
}

// --- Buttons

QList<GifFrame> SolidButton(QSize size, const QColor& fill)
{
    return Still(ButtonFace(size, fill));
}

QList<GifFrame> OutlineButton(QSize size, const QColor& fill, const QColor& border)
{
    return Still(ButtonFace(size, fill, border));
}

// A light button face with a small icon drawn by the given painter on its left.
QList<GifFrame> IconButton(QSize size, const QColor& fill, const QColor& border,
                           const std::function<void(QPainter&)>& icon)
{
    QImage img = ButtonFace(size, fill, border);
    QPainter p(&img);
    Smooth(p);
    icon(p);
    return Still(img);
}

void FolderIcon(QPainter& p, QRectF r, const QColor& colour)
{
    // A folder with an arrow going up into it: "choose a file".
    QPainterPath folder;
    const qreal x = r.left(), y = r.top(), w = r.width(), h = r.height();
    folder.moveTo(x, y + h * 0.15);
    folder.lineTo(x + w * 0.38, y + h * 0.15);
    folder.lineTo(x + w * 0.5, y + h * 0.3);
    folder.lineTo(x + w, y + h * 0.3);
    folder.lineTo(x + w, y + h);
    folder.lineTo(x, y + h);
    folder.closeSubpath();
    p.setPen(QPen(colour, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(folder);
    const qreal cx = x + w / 2;
    p.drawLine(QPointF(cx, y + h * 0.86), QPointF(cx, y + h * 0.5));
    p.drawLine(QPointF(cx - w * 0.17, y + h * 0.66), QPointF(cx, y + h * 0.5));
    p.drawLine(QPointF(cx + w * 0.17, y + h * 0.66), QPointF(cx, y + h * 0.5));
}

void PictureIcon(QPainter& p, QRectF r, const QColor& colour)
{
    p.setPen(QPen(colour, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 2, 2);
    QPainterPath hills;
    hills.moveTo(r.left() + 1.5, r.bottom() - 2);
    hills.lineTo(r.left() + r.width() * 0.38, r.top() + r.height() * 0.5);
    hills.lineTo(r.left() + r.width() * 0.6, r.top() + r.height() * 0.72);
    hills.lineTo(r.left() + r.width() * 0.74, r.top() + r.height() * 0.6);
    hills.lineTo(r.right() - 1.5, r.bottom() - 2);
    p.drawPath(hills);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(r.left() + r.width() * 0.72, r.top() + r.height() * 0.3), 1.5, 1.5);
}

void DocumentIcon(QPainter& p, QRectF r, const QColor& colour)
{
    const qreal fold = r.width() * 0.35;
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setPen(QPen(colour, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(page);
    p.drawPolyline(
        QPolygonF({QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                   QPointF(r.right(), r.top() + fold)}));
    // "< >" marks: a markup file.
    const qreal cy = r.top() + r.height() * 0.64;
    const qreal d = r.width() * 0.17;
    p.drawPolyline(
        QPolygonF({QPointF(r.center().x() - d * 0.6, cy - d), QPointF(r.center().x() - d * 1.6, cy),
                   QPointF(r.center().x() - d * 0.6, cy + d)}));
    p.drawPolyline(
        QPolygonF({QPointF(r.center().x() + d * 0.6, cy - d), QPointF(r.center().x() + d * 1.6, cy),
                   QPointF(r.center().x() + d * 0.6, cy + d)}));
}

QList<GifFrame> Switch(bool on)
{
    const QSize size(28, 16);
    QImage img = Canvas(size.width(), size.height());
    QPainter p(&img);
    Smooth(p);
    p.setPen(Qt::NoPen);
    p.setBrush(on ? kAccent : QColor(200, 200, 208));
    p.drawRoundedRect(QRectF(0, 0, 28, 16), 8, 8);
    // A faint ring under the knob gives it some lift on the flat track.
    const QPointF knob(on ? 20 : 8, 8);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawEllipse(knob + QPointF(0, 0.5), 6.2, 6.2);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(knob, 5.8, 5.8);
    return Still(img);
}

// --- Title-bar buttons, 16 x 16

enum class Glyph16 { Close, Minimise };

QList<GifFrame> TitleButton(Glyph16 glyph, const QColor& ink, const QColor& plate,
                            qreal weight = 1.5, qreal extent = 3.8)
{
    QImage img = Canvas(16, 16);
    QPainter p(&img);
    Smooth(p);
    if (plate.alpha() > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(plate);
        p.drawRoundedRect(QRectF(0, 0, 16, 16), 4, 4);
    }
    p.setPen(QPen(ink, weight, Qt::SolidLine, Qt::RoundCap));
    const QPointF c(8, 8);
    if (glyph == Glyph16::Close) {
        p.drawLine(c + QPointF(-extent, -extent), c + QPointF(extent, extent));
        p.drawLine(c + QPointF(-extent, extent), c + QPointF(extent, -extent));
    } else {
        // Two whole pixel rows, so the bar stays crisp.
        p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(8 - extent - 0.5, 8), QPointF(8 + extent + 0.5, 8));
    }
    return Still(img);
}

QList<GifFrame> RingedClose(const QColor& ink, const QColor& ring)
{
    QImage img = Canvas(16, 16);
    QPainter p(&img);
    Smooth(p);
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(QRectF(0, 0, 16, 16));
    p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(11, 11));
    p.drawLine(QPointF(5, 11), QPointF(11, 5));
    return Still(img);
}

QList<GifFrame> InfoButton()
{
    QImage img = Canvas(16, 16, QColor(255, 255, 255));
    QPainter p(&img);
    Smooth(p);
    p.setPen(QPen(kTextSoft, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1.65, 1.65, 12.7, 12.7));
    p.setPen(Qt::NoPen);
    p.setBrush(kTextSoft);
    p.drawEllipse(QPointF(8, 5.2), 1.05, 1.05);
    p.drawRoundedRect(QRectF(7.1, 7.0, 1.8, 5.0), 0.8, 0.8);
    return Still(img);
}

// --- Grid icons, 24 x 24 on white

QImage IconCanvas()
{
    return Canvas(24, 24, QColor(255, 255, 255));
}

QList<GifFrame> CheckBox(int state)  // 0 unchecked, 1 checked, 2 partly checked
{
    QImage img = IconCanvas();
    QPainter p(&img);
    Smooth(p);
    const QRectF box(4.5, 4.5, 15, 15);
    if (state == 0) {
        p.setPen(QPen(QColor(184, 184, 194), 1.2));
        p.setBrush(kOpaqueWhite);
        p.drawRoundedRect(box, 3, 3);
        return Still(img);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRoundedRect(box.adjusted(-0.5, -0.5, 0.5, 0.5), 3.5, 3.5);
    p.setPen(QPen(kOpaqueWhite, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (state == 1) {
        p.drawPolyline(QPolygonF({QPointF(8, 12.2), QPointF(10.8, 15), QPointF(16.2, 9.2)}));
    } else {
        p.drawLine(QPointF(8, 12), QPointF(16, 12));
    }
    return Still(img);
}

QList<GifFrame> StatusIcon(int kind)  // 0 success, 1 error, 2 operating
{
    QImage img = IconCanvas();
    QPainter p(&img);
    Smooth(p);
    const QColor fill = kind == 0 ? kSuccess : kind == 1 ? kAccent : kOperating;
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(QPointF(12, 12), 9, 9);
    p.setPen(QPen(kOpaqueWhite, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (kind == 0) {
        p.drawPolyline(QPolygonF({QPointF(7.8, 12.3), QPointF(10.8, 15.2), QPointF(16.4, 9.4)}));
    } else if (kind == 1) {
        p.drawLine(QPointF(8.8, 8.8), QPointF(15.2, 15.2));
        p.drawLine(QPointF(8.8, 15.2), QPointF(15.2, 8.8));
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(kOpaqueWhite);
        for (int i = -1; i <= 1; ++i) {
            p.drawEllipse(QPointF(12 + i * 4.2, 12), 1.5, 1.5);
        }
    }
    return Still(img);
}

QList<GifFrame> ComboArrow()
{
    QImage img = Canvas(16, 16);
    QPainter p(&img);
    Smooth(p);
    p.setPen(QPen(QColor(112, 112, 124), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(4, 6.2), QPointF(8, 10.2), QPointF(12, 6.2)}));
    return Still(img);
}

QList<GifFrame> MakerLogo()
{
    QImage img = Canvas(220, 48, QColor(255, 255, 255));
    QPainter p(&img);
    Smooth(p);
    const qreal cap = 19;
    qreal wordWidth = 0;
    WordmarkPath(QStringLiteral("KESTRUNE"), cap, &wordWidth);
    const qreal markSize = 34;
    const qreal gap = 12;
    const qreal total = markSize + gap + wordWidth;
    const qreal left = (220 - total) / 2;
    DrawMark(p, QPointF(left + markSize / 2, 24), markSize);
    DrawWordmark(p, QPointF(left + markSize + gap, 24 - cap / 2), cap, kText);
    return Still(img);
}

// --- Page backgrounds, 817 x 540

// Blurs the alpha of a shadow image with three box passes (close to a Gaussian).
QImage BlurShadow(const QImage& src, int radius)
{
    QImage img = src.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    std::vector<int> a(size_t(w) * h), t(size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            a[size_t(y) * w + x] = qAlpha(img.pixel(x, y));
        }
    }
    const int span = 2 * radius + 1;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                int sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    sum += a[size_t(y) * w + std::clamp(x + k, 0, w - 1)];
                }
                t[size_t(y) * w + x] = sum / span;
            }
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                int sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    sum += t[size_t(std::clamp(y + k, 0, h - 1)) * w + x];
                }
                a[size_t(y) * w + x] = sum / span;
            }
        }
    }
    QImage out(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            out.setPixel(x, y, qRgba(20, 20, 40, a[size_t(y) * w + x]));
        }
    }
    return out;
}

// A soft shadow under a rounded card of the given rectangle.
void DrawCardShadow(QPainter& p, const QRect& card)
{
    const int pad = 24;
    QImage shape = Canvas(card.width() + 2 * pad, card.height() + 2 * pad);
    {
        QPainter sp(&shape);
        Smooth(sp);
        sp.setPen(Qt::NoPen);
        sp.setBrush(QColor(0, 0, 0, 38));
        sp.drawRoundedRect(QRectF(pad, pad + 4, card.width(), card.height()), 8, 8);
    }
    QImage shadow = BlurShadow(shape, 5);
    {
        // Only the halo outside the card is seen; under the card stays clear,
        // so the picture also reads well where no page covers it.
        QPainter sp(&shadow);
        sp.setRenderHint(QPainter::Antialiasing, true);
        sp.setCompositionMode(QPainter::CompositionMode_Clear);
        sp.setPen(Qt::NoPen);
        sp.setBrush(Qt::black);
        sp.drawRoundedRect(QRectF(pad, pad, card.width(), card.height()), 8, 8);
    }
    p.drawImage(card.topLeft() - QPoint(pad, pad), shadow);
}

// The window header shared by every look: a thin accent rule along the top
// and the wordmark at the left.
void DrawHeader(QPainter& p, bool hairline)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRect(QRectF(0, 0, 817, 3));
    DrawMark(p, QPointF(33, 24), 20);
    DrawWordmark(p, QPointF(50, 24 - 6), 12, kText);
    if (hairline) {
        p.setBrush(kLine);
        p.drawRect(QRectF(0, 47, 817, 1));
    }
}

// Faint accent shapes for the large empty areas around the pages.
void DrawDecor(QPainter& p, int alpha)
{
    p.setPen(Qt::NoPen);
    QColor tint = kAccent;
    tint.setAlpha(alpha);
    p.setBrush(tint);
    p.drawEllipse(QPointF(817 + 40, 540 + 30), 230, 230);
    tint.setAlpha(alpha * 2 / 3);
    p.setBrush(tint);
    p.drawEllipse(QPointF(-60, 560), 170, 170);
    QColor ring = kAccent;
    ring.setAlpha(alpha + 6);
    p.setPen(QPen(ring, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(817 + 40, 540 + 30), 280, 280);
}

QList<GifFrame> AdapterBackground()
{
    QImage img = Canvas(817, 540);
    QPainter p(&img);
    Smooth(p);
    QLinearGradient g(0, 0, 0, 540);
    g.setColorAt(0, QColor(248, 248, 250));
    g.setColorAt(1, QColor(236, 237, 242));
    p.fillRect(img.rect(), g);
    DrawDecor(p, 14);
    // The adapter page sits at 247,126 with its size of 324 x 288.
    DrawCardShadow(p, QRect(247, 126, 324, 288));
    DrawHeader(p, false);
    return Still(img);
}

QList<GifFrame> DevicesBackground()
{
    QImage img = Canvas(817, 540, QColor(255, 255, 255));
    QPainter p(&img);
    Smooth(p);
    DrawHeader(p, true);
    return Still(img);
}

QList<GifFrame> DialogBackground()
{
    QImage img = Canvas(817, 540);
    QPainter p(&img);
    Smooth(p);
    QLinearGradient g(0, 0, 0, 540);
    g.setColorAt(0, QColor(238, 239, 243));
    g.setColorAt(1, QColor(226, 227, 233));
    p.fillRect(img.rect(), g);
    DrawDecor(p, 12);
    p.fillRect(QRect(0, 0, 817, 48), QColor(246, 246, 249));
    DrawHeader(p, true);
    return Still(img);
}

// --- The waiting animation: twelve dots round a circle, the bright head
// walking one dot per frame.
QList<GifFrame> WaitSpinner()
{
    const int frames = 12;
    const int size = 32;
    QList<GifFrame> out;
    for (int f = 0; f < frames; ++f) {
        QImage img = Canvas(size, size, QColor(255, 255, 255));
        QPainter p(&img);
        Smooth(p);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < frames; ++i) {
            // Distance behind the head, 0 for the head itself.
            const int behind = (f - i + frames) % frames;
            const qreal k = std::max(0.0, 1.0 - behind / 7.0);
            const QColor rest(226, 226, 232);
            const QColor c(int(rest.red() + (kAccent.red() - rest.red()) * k),
                           int(rest.green() + (kAccent.green() - rest.green()) * k),
                           int(rest.blue() + (kAccent.blue() - rest.blue()) * k));
            const qreal angle = (i * 360.0 / frames - 90) * M_PI / 180.0;
            const qreal radius = 2.0 + 0.6 * k;
            p.setBrush(c);
            p.drawEllipse(QPointF(16 + 11.5 * std::cos(angle), 16 + 11.5 * std::sin(angle)), radius,
                          radius);
        }
        out.append(GifFrame{img, 8});
    }
    return out;
}

// Flattens onto white: BMP and JPEG carry no alpha.
QImage Opaque(const QImage& img)
{
    QImage out(img.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, img);
    return out;
}

bool WriteOne(const QString& path, const SkinImage& entry, QString* error)
{
    const QList<GifFrame> frames = entry.draw();
    const auto fail = [&](const QString& why) {
        if (error != nullptr) {
            *error = entry.file + QStringLiteral(": ") + why;
        }
        return false;
    };
    for (const GifFrame& f : frames) {
        if (f.image.size() != entry.size) {
            return fail(QStringLiteral("drawn at the wrong size"));
        }
    }
    const QString suffix = QFileInfo(entry.file).suffix().toLower();
    if (suffix == QLatin1String("gif")) {
        QList<GifFrame> flat;
        for (const GifFrame& f : frames) {
            flat.append(GifFrame{Opaque(f.image), f.delayCs});
        }
        const QByteArray data = EncodeGif(flat, 0);
        QFile file(path);
        if (data.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(data) != data.size()) {
            return fail(QStringLiteral("cannot write"));
        }
        return true;
    }
    QImageWriter writer(path);
    QImage img = frames.first().image;
    if (suffix == QLatin1String("jpg")) {
        writer.setFormat("jpeg");
        writer.setQuality(95);
        img = Opaque(img);
    } else if (suffix == QLatin1String("bmp")) {
        writer.setFormat("bmp");
        img = Opaque(img);
    } else {
        writer.setFormat("png");
        img = img.convertToFormat(QImage::Format_ARGB32);
    }
    if (!writer.write(img)) {
        return fail(writer.errorString());
    }
    return true;
}

}  // namespace

const QList<SkinImage>& SkinTable()
{
    static const QList<SkinImage> table = [] {
        const QSize scan(218, 24);
        const QSize protection(142, 24);
        const QSize apply(67, 27);
        const QSize cancel(71, 27);
        const QSize fileButton(209, 28);
        const QSize s16(16, 16);
        QList<SkinImage> t;
        t.append({QStringLiteral("main_bk.png"), {817, 540}, AdapterBackground});
        t.append({QStringLiteral("main_bk.jpg"), {817, 540}, DevicesBackground});
        t.append({QStringLiteral("main_bk3.jpg"), {817, 540}, DialogBackground});
        t.append({QStringLiteral("wait_search.gif"), {32, 32}, WaitSpinner});
        t.append({QStringLiteral("scan_btn_normal.png"), scan,
                  [=] { return SolidButton(scan, kAccent); }});
        t.append({QStringLiteral("scan_btn_over.png"), scan,
                  [=] { return SolidButton(scan, kAccentOver); }});
        t.append({QStringLiteral("scan_btn_down.png"), scan,
                  [=] { return SolidButton(scan, kAccentDown); }});
        t.append({QStringLiteral("scan_btn_disable.png"), scan,
                  [=] { return SolidButton(scan, kAccentDisabled); }});
        t.append({QStringLiteral("orvik_logo.bmp"), {220, 48}, MakerLogo});
        t.append({QStringLiteral("combox_down.png"), s16, ComboArrow});
        t.append({QStringLiteral("protection_btn_normal.png"), protection,
                  [=] { return SolidButton(protection, kAccent); }});
        t.append({QStringLiteral("protection_btn_over.png"), protection,
                  [=] { return SolidButton(protection, kAccentOver); }});
        t.append({QStringLiteral("protection_btn_down.png"), protection,
                  [=] { return SolidButton(protection, kAccentDown); }});
        t.append({QStringLiteral("protection_btn_disable.png"), protection,
                  [=] { return SolidButton(protection, kAccentDisabled); }});
        t.append({QStringLiteral("change_btn_normal.png"), {48, 18}, [] {
                      return Still(ButtonFace({48, 18}, kAccentTint, Qt::transparent, 9));
                  }});
        t.append({QStringLiteral("select.bmp"), {24, 24}, [] { return CheckBox(1); }});
        t.append({QStringLiteral("unselect.bmp"), {24, 24}, [] { return CheckBox(0); }});
        t.append({QStringLiteral("part_select.bmp"), {24, 24}, [] { return CheckBox(2); }});
        t.append({QStringLiteral("success.bmp"), {24, 24}, [] { return StatusIcon(0); }});
        t.append({QStringLiteral("error.bmp"), {24, 24}, [] { return StatusIcon(1); }});
        t.append({QStringLiteral("operating.bmp"), {24, 24}, [] { return StatusIcon(2); }});
        t.append({QStringLiteral("apply_btn_normal.png"), apply,
                  [=] { return SolidButton(apply, kAccent); }});
        t.append({QStringLiteral("apply_btn_over.png"), apply,
                  [=] { return SolidButton(apply, kAccentOver); }});
        t.append({QStringLiteral("apply_btn_down.png"), apply,
                  [=] { return SolidButton(apply, kAccentDown); }});
        t.append({QStringLiteral("apply_btn_disable.png"), apply,
                  [=] { return SolidButton(apply, kAccentDisabled); }});
        t.append({QStringLiteral("cancel_btn_normal.png"), cancel,
                  [=] { return OutlineButton(cancel, QColor(255, 255, 255), kBorder); }});
        t.append({QStringLiteral("cancel_btn_over.png"), cancel,
                  [=] { return OutlineButton(cancel, kAccentTint, kAccent); }});
        t.append({QStringLiteral("cancel_btn_down.png"), cancel,
                  [=] { return OutlineButton(cancel, kAccentTintDown, kAccentOver); }});
        t.append({QStringLiteral("choose_btn_normal.png"), {99, 28}, [] {
                      return IconButton({99, 28}, QColor(255, 255, 255), kBorder, [](QPainter& p) {
                          FolderIcon(p, QRectF(17, 7, 16, 14), kAccent);
                      });
                  }});
        t.append({QStringLiteral("btn_ini_file.png"), fileButton, [=] {
                      return IconButton(
                          fileButton, QColor(246, 246, 248), QColor(232, 232, 238),
                          [](QPainter& p) { DocumentIcon(p, QRectF(9, 6.5, 12, 15), kAccent); });
                  }});
        t.append({QStringLiteral("btn_pic_file.png"), fileButton, [=] {
                      return IconButton(
                          fileButton, QColor(246, 246, 248), QColor(232, 232, 238),
                          [](QPainter& p) { PictureIcon(p, QRectF(8, 7.5, 15, 13), kAccent); });
                  }});
        t.append({QStringLiteral("btn_switch_on.png"), {28, 16}, [] { return Switch(true); }});
        t.append({QStringLiteral("btn_switch_off.png"), {28, 16}, [] { return Switch(false); }});
        t.append({QStringLiteral("btn_template.png"), {124, 24}, [] {
                      return OutlineButton({124, 24}, kAccentTint, QColor(240, 182, 184));
                  }});
        t.append({QStringLiteral("btn_close_normal.png"), s16,
                  [] { return TitleButton(Glyph16::Close, kText, Qt::transparent); }});
        t.append({QStringLiteral("btn_close_over.png"), s16,
                  [] { return TitleButton(Glyph16::Close, QColor(255, 255, 255), kAccent); }});
        t.append({QStringLiteral("btn_close_down.png"), s16,
                  [] { return TitleButton(Glyph16::Close, QColor(255, 255, 255), kAccentDown); }});
        t.append({QStringLiteral("btn_close_normal2.png"), s16,
                  [] { return RingedClose(kText, QColor(20, 20, 40, 20)); }});
        t.append({QStringLiteral("btn_child_close.png"), s16, [] {
                      return TitleButton(Glyph16::Close, kTextSoft, Qt::transparent, 1.4, 3.6);
                  }});
        t.append({QStringLiteral("btn_child_close2.png"), s16,
                  [] { return RingedClose(kTextSoft, QColor(20, 20, 40, 14)); }});
        t.append({QStringLiteral("btn_min_normal.png"), s16,
                  [] { return TitleButton(Glyph16::Minimise, kText, Qt::transparent); }});
        t.append({QStringLiteral("btn_min_over.png"), s16,
                  [] { return TitleButton(Glyph16::Minimise, kText, QColor(20, 20, 40, 24)); }});
        t.append({QStringLiteral("btn_min_down.png"), s16,
                  [] { return TitleButton(Glyph16::Minimise, kText, QColor(20, 20, 40, 48)); }});
        t.append({QStringLiteral("help_normal.bmp"), s16, InfoButton});
        return t;
    }();
    return table;
}

bool WriteSkin(const QString& dir, QString* error)
{
    if (!QDir().mkpath(dir)) {
        if (error != nullptr) {
            *error = QStringLiteral("cannot create ") + dir;
        }
        return false;
    }
    for (const SkinImage& entry : SkinTable()) {
        if (!WriteOne(QDir(dir).filePath(entry.file), entry, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace kestrune::skingen
