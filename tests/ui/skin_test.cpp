// The committed skin: every image the program loads exists, decodes in the
// format its name promises and has the size of the control that shows it;
// the waiting animation animates; the generator's GIF coder round-trips.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>

#include "GifWriter.h"
#include "SkinPainter.h"

namespace {

using kestrune::skingen::EncodeGif;
using kestrune::skingen::GifFrame;

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "skin_test";
        static char* argv[] = {name, nullptr};
        app_ = new QGuiApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QGuiApplication* app_ = nullptr;
};

[[maybe_unused]] auto* const kEnv = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

QString SkinDir()
{
    return QString::fromLocal8Bit(qgetenv("KESTRUNE_SOURCE_DIR")) + QStringLiteral("/data/Skin");
}

struct Expected {
    const char* file;
    int width;
    int height;
};

// The program's skin path table with the size of the place each image fills.
const Expected kSkin[] = {
    {"main_bk.png", 817, 540},  // window backgrounds
    {"main_bk.jpg", 817, 540},
    {"main_bk3.jpg", 817, 540},
    {"wait_search.gif", 32, 32},
    {"scan_btn_normal.png", 218, 24},  // "Scan Devices", 218 x 24
    {"scan_btn_over.png", 218, 24},
    {"scan_btn_down.png", 218, 24},
    {"scan_btn_disable.png", 218, 24},
    {"orvik_logo.bmp", 220, 48},
    {"combox_down.png", 16, 16},             // fits the 24-pixel arrow area
    {"protection_btn_normal.png", 142, 24},  // 140 and 142 wide buttons
    {"protection_btn_over.png", 142, 24},
    {"protection_btn_down.png", 142, 24},
    {"protection_btn_disable.png", 142, 24},
    {"change_btn_normal.png", 48, 18},
    {"select.bmp", 24, 24},  // grid image list, 24 x 24
    {"unselect.bmp", 24, 24},
    {"part_select.bmp", 24, 24},
    {"success.bmp", 24, 24},
    {"error.bmp", 24, 24},
    {"operating.bmp", 24, 24},
    {"apply_btn_normal.png", 67, 27},
    {"apply_btn_over.png", 67, 27},
    {"apply_btn_down.png", 67, 27},
    {"apply_btn_disable.png", 67, 27},
    {"cancel_btn_normal.png", 71, 27},
    {"cancel_btn_over.png", 71, 27},
    {"cancel_btn_down.png", 71, 27},
    {"choose_btn_normal.png", 99, 28},
    {"btn_ini_file.png", 209, 28},
    {"btn_pic_file.png", 209, 28},
    {"btn_switch_on.png", 28, 16},
    {"btn_switch_off.png", 28, 16},
    {"btn_template.png", 124, 24},  // 108 and 124 wide buttons
    {"btn_close_normal.png", 16, 16},
    {"btn_close_over.png", 16, 16},
    {"btn_close_down.png", 16, 16},
    {"btn_close_normal2.png", 16, 16},
    {"btn_child_close.png", 16, 16},
    {"btn_child_close2.png", 16, 16},
    {"btn_min_normal.png", 16, 16},
    {"btn_min_over.png", 16, 16},
    {"btn_min_down.png", 16, 16},
    {"help_normal.bmp", 16, 16},
};

QByteArray FormatOf(const QString& file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    return suffix == QLatin1String("jpg") ? QByteArray("jpeg") : suffix.toLatin1();
}

TEST(Skin, EveryImageDecodesInItsFormatAtItsSize)
{
    for (const Expected& e : kSkin) {
        SCOPED_TRACE(e.file);
        const QString path = SkinDir() + QLatin1Char('/') + QLatin1String(e.file);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        // The content, not just the name, must be of the named format.
        EXPECT_EQ(QImageReader::imageFormat(&file), FormatOf(QLatin1String(e.file)));
        QImageReader reader(path);
        const QImage img = reader.read();
        ASSERT_FALSE(img.isNull()) << qPrintable(reader.errorString());
        EXPECT_EQ(img.size(), QSize(e.width, e.height));
    }
}

TEST(Skin, GridIconsStandOnWhite)
{
    // White is the transparent colour of the grid's image list: the corners
    // must be pure white and the icon itself must not be.
    for (const char* file : {"select.bmp", "unselect.bmp", "part_select.bmp", "success.bmp",
                             "error.bmp", "operating.bmp"}) {
        SCOPED_TRACE(file);
        const QImage img(SkinDir() + QLatin1Char('/') + QLatin1String(file));
        ASSERT_FALSE(img.isNull());
        for (const QPoint corner : {QPoint(0, 0), QPoint(23, 0), QPoint(0, 23), QPoint(23, 23)}) {
            EXPECT_EQ(img.pixel(corner) & 0xFFFFFFu, 0xFFFFFFu);
        }
        int inked = 0;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 24; ++x) {
                inked += (img.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu ? 1 : 0;
            }
        }
        EXPECT_GT(inked, 60);
    }
}

TEST(Skin, WaitAnimationLoopsThroughSeveralTimedFrames)
{
    QImageReader reader(SkinDir() + QStringLiteral("/wait_search.gif"));
    ASSERT_TRUE(reader.supportsAnimation());
    EXPECT_GE(reader.imageCount(), 4);
    EXPECT_EQ(reader.loopCount(), -1);  // the NETSCAPE block asks for an endless loop
    QList<QImage> frames;
    while (reader.canRead()) {
        const int delay = reader.nextImageDelay();
        const QImage img = reader.read();
        if (img.isNull()) {
            break;
        }
        EXPECT_GT(delay, 0);
        frames.append(img.convertToFormat(QImage::Format_RGB32));
    }
    ASSERT_GE(frames.size(), 4);
    for (int i = 1; i < frames.size(); ++i) {
        EXPECT_NE(frames[i], frames[i - 1]) << "frame " << i << " repeats its predecessor";
    }
}

// Reads every frame of a GIF held in memory, with the delay of each.
struct Decoded {
    QList<QImage> frames;
    QList<int> delays;
    int loopCount = 0;
};

Decoded DecodeGif(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    Decoded out;
    out.loopCount = reader.loopCount();
    while (reader.canRead()) {
        const int delay = reader.nextImageDelay();
        const QImage img = reader.read();
        if (img.isNull()) {
            break;
        }
        out.frames.append(img.convertToFormat(QImage::Format_RGB32));
        out.delays.append(delay);
    }
    return out;
}

TEST(GifWriter, RoundTripsExactPixelsDelaysAndLoop)
{
    // Noise in 64 colours defeats the dictionary, so the coder runs through
    // several table resets and its 12-bit codes; frames of different colour
    // counts and an odd size check the packing.
    QRandomGenerator rng(7);
    QList<GifFrame> frames;
    const int delays[] = {10, 20, 30};
    for (int f = 0; f < 3; ++f) {
        QImage img(203, 117, QImage::Format_RGB32);
        const int colours = f == 0 ? 64 : f == 1 ? 3 : 1;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const int c = int(rng.bounded(colours));
                img.setPixel(x, y, qRgb(c * 4, 255 - c * 3, (c * 37) & 0xFF));
            }
        }
        frames.append(GifFrame{img, delays[f]});
    }
    const Decoded d = DecodeGif(EncodeGif(frames, 0));
    ASSERT_EQ(d.frames.size(), 3);
    EXPECT_EQ(d.loopCount, -1);
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(d.delays[f], delays[f] * 10);
        EXPECT_EQ(d.frames[f], frames[f].image);
    }
}

TEST(GifWriter, ReducesManyColoursCloseToTheOriginal)
{
    QImage img(256, 64, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            img.setPixel(x, y, qRgb(x, (y * 4) & 0xFF, 255 - x));
        }
    }
    const Decoded d = DecodeGif(EncodeGif({GifFrame{img, 5}}, 0));
    ASSERT_EQ(d.frames.size(), 1);
    int worst = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb a = img.pixel(x, y);
            const QRgb b = d.frames[0].pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    }
    EXPECT_LE(worst, 24);
}

TEST(GifWriter, RefusesNoFramesAndMixedSizes)
{
    EXPECT_TRUE(EncodeGif({}, 0).isEmpty());
    QImage a(4, 4, QImage::Format_RGB32);
    QImage b(5, 4, QImage::Format_RGB32);
    a.fill(Qt::red);
    b.fill(Qt::red);
    EXPECT_TRUE(EncodeGif({GifFrame{a, 1}, GifFrame{b, 1}}, 0).isEmpty());
}

// Mean absolute difference per channel over two pictures of one size.
double MeanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * x.width() * x.height());
}

TEST(SkinGenerator, RebuildsTheCommittedSkin)
{
    // The committed files are the generator's output: a fresh run writes the
    // same set of files, each decoding at the committed size to (nearly) the
    // same pixels, so a change to the drawing cannot land without the files.
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    QString error;
    ASSERT_TRUE(kestrune::skingen::WriteSkin(out.path(), &error)) << qPrintable(error);
    const QStringList generated = QDir(out.path()).entryList(QDir::Files, QDir::Name);
    const QStringList committed = QDir(SkinDir()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(generated, committed);
    for (const QString& file : generated) {
        SCOPED_TRACE(qPrintable(file));
        QImageReader fresh(out.path() + QLatin1Char('/') + file);
        QImageReader kept(SkinDir() + QLatin1Char('/') + file);
        EXPECT_EQ(fresh.imageCount(), kept.imageCount());
        const QImage a = fresh.read();
        const QImage b = kept.read();
        ASSERT_FALSE(a.isNull()) << qPrintable(fresh.errorString());
        ASSERT_FALSE(b.isNull()) << qPrintable(kept.errorString());
        ASSERT_EQ(a.size(), b.size());
        EXPECT_LT(MeanDifference(a, b), 1.0);
    }
}

}  // namespace
