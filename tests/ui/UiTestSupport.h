#pragma once

// Helpers shared by the widget tests: test images written to disk, a tiny
// GIF writer (Qt reads GIF but cannot write it) and pixel checks.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace uitest {

// A solid image of one colour.
inline QImage SolidImage(int width, int height, const QColor& colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// An image with four differently coloured quadrants (top left red, top right
// green, bottom left blue, bottom right yellow): shows where scaling went.
inline QImage QuadrantImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            QColor c = !bottom ? (right ? QColor(0, 255, 0) : QColor(255, 0, 0))
                               : (right ? QColor(255, 255, 0) : QColor(0, 0, 255));
            image.setPixelColor(x, y, c);
        }
    return image;
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

inline QByteArray EncodeImage(const QImage& image, const char* format)
{
    QByteArray bytes;
    QImage copy = image;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    copy.save(&buffer, format);
    return bytes;
}

// One frame of a test GIF: the whole logical screen in one palette colour.
struct GifFrame {
    int delay = 0;        // hundredths of a second
    int colourIndex = 0;  // 0..3 into GifPalette()
};

inline std::vector<QColor> GifPalette()
{
    return {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255), QColor(255, 255, 255)};
}

// Writes a GIF89a with a 4-colour global table and one full-size frame per
// entry. The LZW stream sends a clear code every two pixels so the code size
// never grows: valid, if not small.
inline QByteArray MakeGif(int width, int height, const std::vector<GifFrame>& frames)
{
    QByteArray out("GIF89a");
    auto le16 = [&out](int v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    le16(width);
    le16(height);
    out.append(char(0x80 | 0x01));  // global table of 4 entries
    out.append(char(0));
    out.append(char(0));
    for (const QColor& c : GifPalette()) {
        out.append(char(c.red()));
        out.append(char(c.green()));
        out.append(char(c.blue()));
    }
    // Loop forever (application extension).
    out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (const GifFrame& frame : frames) {
        out.append("\x21\xF9\x04", 3);
        out.append(char(0x04));  // disposal: leave in place
        le16(frame.delay);
        out.append(char(0));
        out.append(char(0));
        out.append(char(0x2C));
        le16(0);
        le16(0);
        le16(width);
        le16(height);
        out.append(char(0));
        out.append(char(2));  // LZW minimum code size
        // Codes are 3 bits: clear 4, end 5.
        std::vector<int> codes;
        const int pixels = width * height;
        for (int i = 0; i < pixels; ++i) {
            if (i % 2 == 0)
                codes.push_back(4);
            codes.push_back(frame.colourIndex);
        }
        codes.push_back(5);
        QByteArray data;
        uint32_t bits = 0;
        int count = 0;
        for (int code : codes) {
            bits |= uint32_t(code) << count;
            count += 3;
            while (count >= 8) {
                data.append(char(bits & 0xFF));
                bits >>= 8;
                count -= 8;
            }
        }
        if (count > 0)
            data.append(char(bits & 0xFF));
        for (qsizetype at = 0; at < data.size(); at += 255) {
            const qsizetype n = std::min<qsizetype>(255, data.size() - at);
            out.append(char(n));
            out.append(data.mid(at, n));
        }
        out.append(char(0));
    }
    out.append(char(0x3B));
    return out;
}

// The widget as it shows on screen, parent's pixels included.
inline QImage Grab(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

inline bool Near(const QColor& a, const QColor& b, int tolerance = 8)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Pixels of an area that are close to a colour.
inline int CountNear(const QImage& image, const QRect& area, const QColor& colour,
                     int tolerance = 8)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Near(image.pixelColor(x, y), colour, tolerance))
                ++n;
    return n;
}

// The bounding box of the pixels that differ clearly from a background.
inline QRect InkBox(const QImage& image, const QRect& area, const QColor& background,
                    int tolerance = 60)
{
    QRect box;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (!Near(image.pixelColor(x, y), background, tolerance))
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

}  // namespace uitest

// Every widget test executable starts its QApplication here.
#define KESTRUNE_WIDGET_TEST_MAIN()             \
    int main(int argc, char** argv)             \
    {                                           \
        QApplication app(argc, argv);           \
        ::testing::InitGoogleTest(&argc, argv); \
        return RUN_ALL_TESTS();                 \
    }
