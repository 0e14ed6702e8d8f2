#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace kestrune {

// The full path of a skin image: program folder + "Skin/" + file name.
QString SkinPath(const QString& fileName);

// Largest picture side the controls accept; anything larger is refused as
// corrupt rather than allocated.
inline constexpr int kMaxSkinImageSide = 4096;

// Loads an image file (PNG, JPEG, BMP, GIF first frame, ...). A missing,
// truncated, corrupt or absurdly large file gives a null image; never throws.
QImage LoadSkinImage(const QString& path);

// The same from bytes in memory.
QImage LoadSkinImageData(const QByteArray& data);

}  // namespace kestrune
