#include "Settings.h"
#include "ProgramFolder.h"
#include "SkinPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <optional>

using namespace kestrune;

namespace {

std::string FolderOf(const QTemporaryDir& dir)
{
    return dir.path().toStdString() + "/";
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

TEST(Settings, ParseColourCases)
{
    struct Case {
        const char* text;
        std::optional<uint32_t> stored;  // nothing: refused, colour untouched
    } cases[] = {
        {"240,240,240", 15790320u},
        {"1,2,3", 197121u},
        {"255,255,255", 0xFFFFFFu},
        {" 7 , 8x, 9", 0x090807u},
        {"0,0", std::nullopt},
        {"256,0,0", std::nullopt},
        {"-1,0,0", std::nullopt},
        {"1,2,3,4", std::nullopt},
        {"", std::nullopt},
        {"a,b,c", 0u},  // no digits convert to 0, which is in range
        {"99999999999,0,0", std::nullopt},
    };
    for (const Case& c : cases) {
        uint32_t colour = 0xDEADBEEF;
        const bool ok = ParseColour(QString::fromUtf8(c.text), colour);
        EXPECT_EQ(ok, c.stored.has_value()) << c.text;
        EXPECT_EQ(colour, c.stored.value_or(0xDEADBEEF)) << c.text;
    }
}

TEST(Settings, TextToIntLikeTheClassicConversion)
{
    EXPECT_EQ(TextToInt(QStringLiteral("700")), 700);
    EXPECT_EQ(TextToInt(QStringLiteral("  -15px")), -15);
    EXPECT_EQ(TextToInt(QStringLiteral("bold")), 0);
    EXPECT_EQ(TextToInt(QString()), 0);
    EXPECT_EQ(TextToInt(QStringLiteral("99999999999999999999")), 2147483647);
    EXPECT_EQ(TextToInt(QStringLiteral("-99999999999999999999")), -2147483647 - 1);
}

// One file per case; every other key keeps its default.
TEST(Settings, FileCases)
{
    const AppSettings defaults = [] {
        QTemporaryDir empty;
        return ReadSettings(FolderOf(empty));  // no Setting.ini at all
    }();
    EXPECT_EQ(defaults.childBkColor, 0xFFFFFFu);
    EXPECT_EQ(defaults.lineColor, 215u + 215u * 256 + 215u * 65536);
    EXPECT_EQ(defaults.gridTitleTextColor, 237u + 112u * 256 + 32u * 65536);
    EXPECT_EQ(defaults.gridTitleBkColor, 186u + 199u * 256 + 231u * 65536);
    EXPECT_EQ(defaults.gridTextColor, 0u);
    EXPECT_STREQ(defaults.gridTitleFont.faceName, "Microsoft YaHei");
    EXPECT_EQ(defaults.gridTitleFont.height, 15);
    EXPECT_EQ(defaults.gridTitleFont.weight, 700);
    EXPECT_STREQ(defaults.gridFont.faceName, "Microsoft YaHei");
    EXPECT_EQ(defaults.gridFont.height, 15);
    EXPECT_EQ(defaults.gridFont.weight, 0);
    EXPECT_EQ(defaults.rowHeight, 48);

    struct Case {
        const char* name;
        QByteArray file;
        std::function<void(const AppSettings&)> check;
    } cases[] = {
        {"colours", "[Color]\nChildBkColor=240,240,240\nLineColor=1,2,3\n",
         [](const AppSettings& s) {
             EXPECT_EQ(s.childBkColor, 15790320u);
             EXPECT_EQ(s.lineColor, 197121u);
         }},
        {"two parts", "[color]\ngridtextcolor=0,0\nGridTitleBkColor=1,1,1\n",
         [](const AppSettings& s) {
             EXPECT_EQ(s.gridTextColor, 0u);
             EXPECT_EQ(s.gridTitleBkColor, 0x010101u);  // unaffected by the bad key
         }},
        {"out of range", "[Color]\nGridTextColor=256,0,0\nChildBkColor=-1,0,0\n",
         [](const AppSettings& s) {
             EXPECT_EQ(s.gridTextColor, 0u);
             EXPECT_EQ(s.childBkColor, 0u);
         }},
        {"bold weight", "[Font]\nGridTitleFontWeight=bold\n",
         [](const AppSettings& s) { EXPECT_EQ(s.gridTitleFont.weight, 0); }},
        {"present but empty", "[Color]\nChildBkColor=\n[Font]\nGridFontHeight=\nFontName=\n",
         [](const AppSettings& s) {
             EXPECT_EQ(s.childBkColor, 0u);
             EXPECT_EQ(s.gridFont.height, 0);
             EXPECT_STREQ(s.gridFont.faceName, "");
             EXPECT_EQ(s.gridTitleFont.height, 15);
         }},
        {"face name cut to its field",
         "[Font]\nFontName=WenQuanYi Micro Hei Extra Long Face Name\n",
         [](const AppSettings& s) {
             EXPECT_STREQ(s.gridFont.faceName, "WenQuanYi Micro Hei Extra Long ");  // 31 bytes
         }},
        {"UTF-8 face name never cut inside a character",
         "[Font]\nFontName=\xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\xE9\xBB\x91\xE5\xBE\xAE\xE8\xBD"
         "\xAF\xE9\x9B\x85\xE9\xBB\x91\xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\n",
         [](const AppSettings& s) { EXPECT_EQ(std::string(s.gridFont.faceName).size(), 30u); }},
        {"value longer than the buffer", "[Color]\nChildBkColor=1,2," + QByteArray(200, '3') + "\n",
         [](const AppSettings& s) { EXPECT_EQ(s.childBkColor, 0u); }},
        {"binary junk", QByteArray("\x00\xff\xfe[\x01=\x02\n\x80\x81", 10),
         [&defaults](const AppSettings& s) {
             EXPECT_EQ(s.childBkColor, defaults.childBkColor);
             EXPECT_EQ(s.gridFont.height, 15);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        WriteFile(dir.filePath(QStringLiteral("Setting.ini")), c.file);
        c.check(ReadSettings(FolderOf(dir)));
    }
}

TEST(Settings, ReadSettingValueCap)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath(QStringLiteral("Setting.ini")),
              "[Font]\nFontName=" + QByteArray(100, 'x') + "\n");
    EXPECT_EQ(ReadSetting(FolderOf(dir), QStringLiteral("font"), QStringLiteral("FONTNAME"), {}),
              QString(63, u'x'));
    EXPECT_EQ(ReadSetting(FolderOf(dir), QStringLiteral("Font"), QStringLiteral("Missing"),
                          QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST(ProgramFolder, OfExecutablePath)
{
    EXPECT_EQ(ProgramFolderOf("/opt/tool/kestrune"), "/opt/tool/");
    EXPECT_EQ(ProgramFolderOf("/kestrune"), "/");
    EXPECT_EQ(ProgramFolderOf("kestrune"), "");
}

TEST(ProgramFolder, SkinTableByNameAndByImage)
{
    const SkinPaths skins("/srv/Tool/");
    EXPECT_EQ(skins.Path(SkinImage::ScanBtnNormal),
              QStringLiteral("/srv/Tool/Skin/scan_btn_normal.png"));
    EXPECT_EQ(skins.Path(SkinImage::HelpNormal), QStringLiteral("/srv/Tool/Skin/help_normal.bmp"));
    EXPECT_EQ(skins.Path(u"btn_child_close2.png"),
              QStringLiteral("/srv/Tool/Skin/btn_child_close2.png"));
    EXPECT_EQ(skins.Path(u"Scan_btn_normal.png"), QString());  // names keep their letter case
    EXPECT_EQ(skins.Path(u"nothing.png"), QString());
    // Every image has its own file name.
    QSet<QString> names;
    for (int i = 0; i < kSkinImageCount; ++i)
        names.insert(QString::fromLatin1(SkinFileName(static_cast<SkinImage>(i))));
    EXPECT_EQ(names.size(), kSkinImageCount);
    EXPECT_FALSE(names.contains(QString()));
}

// The executable copied into a folder of its own finds everything there.
TEST(ProgramFolder, ExecutableCopiedElsewhere)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("My Tool"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString probe = folder + QStringLiteral("/probe");
    ASSERT_TRUE(QFile::copy(QStringLiteral(PROGRAM_FOLDER_PROBE), probe));
    WriteFile(folder + QStringLiteral("/Setting.ini"), "[Color]\nChildBkColor=240,240,240\n");

    QProcess process;
    process.start(probe, {});
    ASSERT_TRUE(process.waitForFinished(20000));
    ASSERT_EQ(process.exitCode(), 0);
    const QStringList lines =
        QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    const QString expected = QFileInfo(folder).canonicalFilePath() + u'/';
    EXPECT_EQ(lines[0], expected);
    EXPECT_EQ(lines[1], expected + QStringLiteral("Skin/scan_btn_normal.png"));
    EXPECT_EQ(lines[2], expected + QStringLiteral("Setting.ini"));
    EXPECT_EQ(lines[3], QStringLiteral("15790320"));
}
