#pragma once

#include <QFont>
#include <QString>

namespace kestrune {

// The face every window of the program names.
inline const QString kSkinFontFace = QStringLiteral("Microsoft YaHei");

// A font of the skin given as a pixel height and a weight on the 0..1000
// scale of the program's settings (0 is the default weight). The face falls
// back to WenQuanYi Micro Hei, then Noto Sans CJK, then the default sans.
QFont SkinFont(int pixelHeight, int weight = 0, const QString& face = kSkinFontFace);

// The same with the size given in points, for the few fields sized that way.
QFont SkinFontPoints(double points, int weight = 0, const QString& face = kSkinFontFace);

// Maps a 0..1000 weight (0 = default) to Qt's weight scale.
QFont::Weight SkinFontWeight(int weight);

// Registers the face substitutions; SkinFont calls it, safe to call again.
void InstallSkinFontSubstitutions();

}  // namespace kestrune
