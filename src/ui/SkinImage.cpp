#include "SkinImage.h"

#include "ProgramFolder.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace kestrune {

QString SkinPath(const QString& fileName)
{
    return QString::fromStdString(ProgramFolder()) + QStringLiteral("Skin/") + fileName;
}

static QImage ReadChecked(QImageReader& reader)
{
    const QSize size = reader.size();
    // A header that claims no size or an absurd one is not decoded at all.
    if (size.isValid() &&
        (size.isEmpty() || size.width() > kMaxSkinImageSide || size.height() > kMaxSkinImageSide))
        return {};
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {};
    if (image.width() > kMaxSkinImageSide || image.height() > kMaxSkinImageSide)
        return {};
    return image;
}

QImage LoadSkinImage(const QString& path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return LoadSkinImageData(file.readAll());
}

QImage LoadSkinImageData(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return ReadChecked(reader);
}

}  // namespace kestrune
