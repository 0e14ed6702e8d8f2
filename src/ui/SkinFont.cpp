#include "SkinFont.h"

#include <QStringList>

#include <algorithm>
#include <mutex>

namespace kestrune {

void InstallSkinFontSubstitutions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // The program is drawn for one Chinese-capable sans face; these come
        // closest in metrics and coverage on Linux.
        QFont::insertSubstitutions(
            kSkinFontFace,
            {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
             QStringLiteral("Noto Sans CJK"), QStringLiteral("Noto Sans"),
             QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    });
}

QFont::Weight SkinFontWeight(int weight)
{
    if (weight <= 0)
        return QFont::Normal;
    return static_cast<QFont::Weight>(std::clamp(weight, 1, 1000));
}

static QFont BaseFont(const QString& face, int weight)
{
    InstallSkinFontSubstitutions();
    QFont font(face.isEmpty() ? kSkinFontFace : face);
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(SkinFontWeight(weight));
    return font;
}

QFont SkinFont(int pixelHeight, int weight, const QString& face)
{
    QFont font = BaseFont(face, weight);
    font.setPixelSize(std::max(1, pixelHeight));
    return font;
}

QFont SkinFontPoints(double points, int weight, const QString& face)
{
    QFont font = BaseFont(face, weight);
    font.setPointSizeF(points > 0 ? points : 1.0);
    return font;
}

}  // namespace kestrune
