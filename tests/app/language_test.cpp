#include "Language.h"
#include "ProfileFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

using namespace kestrune;

namespace {

// A program folder with Languages/ holding the given files.
class LanguageFolder {
public:
    LanguageFolder() { QDir(m_dir.path()).mkpath(QStringLiteral("Languages")); }
    void Write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(QStringLiteral("Languages/") + name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    std::string Path() const { return m_dir.path().toStdString() + "/"; }

private:
    QTemporaryDir m_dir;
};

QByteArray Utf16LeWithBom(const QString& text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    return QByteArray("\xFF\xFE", 2) + QByteArray(encoder(text));
}

const QByteArray kTable = "[LCID]\r\n1033=English\r\n2052=Test\r\n";

}  // namespace

TEST(ProfileFile, Rules)
{
    const ProfileFile profile = ProfileFile::FromBytes(
        "  [ Sec One ]  \n"
        "  Key A  =  spaced value  \n"
        "quoted=\"  kept inside  \"\n"
        "single='one'\n"
        "half=\"open\n"
        "two=a=b\n"
        "dup=first\n"
        "DUP=second\n"
        "empty=\n"
        "noequals\n"
        "[OTHER]\r\n"
        "k=v\r\n");
    EXPECT_EQ(profile.Value(QStringLiteral("sec one"), QStringLiteral("KEY A")),
              QStringLiteral("spaced value"));
    EXPECT_EQ(profile.Value(QStringLiteral("Sec One"), QStringLiteral("quoted")),
              QStringLiteral("  kept inside  "));
    EXPECT_EQ(profile.Value(QStringLiteral("Sec One"), QStringLiteral("single")),
              QStringLiteral("one"));
    EXPECT_EQ(profile.Value(QStringLiteral("Sec One"), QStringLiteral("half")),
              QStringLiteral("\"open"));
    EXPECT_EQ(profile.Value(QStringLiteral("Sec One"), QStringLiteral("two")),
              QStringLiteral("a=b"));
    EXPECT_EQ(profile.Value(QStringLiteral("Sec One"), QStringLiteral("dup")),
              QStringLiteral("first"));
    EXPECT_EQ(profile.Value(QStringLiteral("Sec One"), QStringLiteral("empty")), QString());
    EXPECT_FALSE(profile.Value(QStringLiteral("Sec One"), QStringLiteral("noequals")));
    EXPECT_FALSE(profile.Value(QStringLiteral("Sec One"), QStringLiteral("k")));
    EXPECT_EQ(profile.Value(QStringLiteral("other"), QStringLiteral("K")), QStringLiteral("v"));
    EXPECT_FALSE(profile.Value(QStringLiteral("missing"), QStringLiteral("k")));
    EXPECT_EQ(profile.Get(QStringLiteral("missing"), QStringLiteral("k"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST(ProfileFile, EncodingsAndCaps)
{
    const ProfileFile utf16 =
        ProfileFile::FromBytes(Utf16LeWithBom(QStringLiteral("[S]\r\nKey=提示\r\n")));
    EXPECT_EQ(utf16.Value(QStringLiteral("s"), QStringLiteral("key")), QStringLiteral("提示"));

    // Without its byte-order mark a UTF-16 file is not understood: nothing matches.
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    const ProfileFile noBom =
        ProfileFile::FromBytes(QByteArray(encoder(QStringLiteral("[S]\r\nKey=v\r\n"))));
    EXPECT_FALSE(noBom.Value(QStringLiteral("S"), QStringLiteral("Key")));

    const ProfileFile utf8Bom = ProfileFile::FromBytes("\xEF\xBB\xBF[S]\nKey=v\n");
    EXPECT_EQ(utf8Bom.Value(QStringLiteral("S"), QStringLiteral("Key")), QStringLiteral("v"));

    const ProfileFile huge =
        ProfileFile::FromBytes("[S]\nKey=" + QByteArray(5'000'000, 'x') + "\n");
    EXPECT_EQ(huge.Value(QStringLiteral("S"), QStringLiteral("Key"))->size(), 1022);
    EXPECT_EQ(huge.Value(QStringLiteral("S"), QStringLiteral("Key"), 63)->size(), 63);
}

TEST(ProfileFile, JunkNeverCrashes)
{
    QByteArray junk(1 << 20, '\0');
    uint32_t state = 12345;
    for (char& c : junk) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    for (const QByteArray& bytes :
         {junk, QByteArray("\xFF\xFE", 2) + junk, QByteArray("\xFF\xFE\x00", 3), QByteArray("["),
          QByteArray("=\n=\n[]\n[=]\n="), QByteArray(100000, '[')}) {
        const ProfileFile profile = ProfileFile::FromBytes(bytes);
        profile.Value(QStringLiteral("ProgramOutStr"), QStringLiteral("note"));
    }
    EXPECT_TRUE(ProfileFile::Load(QStringLiteral("/nonexistent/file.ini")).IsEmpty());
}

TEST(Language, ChoosesTableByLocale)
{
    {
        LanguageFolder folder;  // no Language.ini at all
        InitLanguageForLocale(folder.Path(), 2052);
        EXPECT_EQ(LanguageName(), QStringLiteral("English"));
        EXPECT_EQ(LanguageTablePath(),
                  QString::fromStdString(folder.Path()) + QStringLiteral("Languages/English.lng"));
    }
    LanguageFolder folder;
    folder.Write(QStringLiteral("Language.ini"), kTable + "1041=\n");
    folder.Write(QStringLiteral("Test.lng"), "[ProgramOutStr]\nNote=Hinweis\n");
    InitLanguageForLocale(folder.Path(), 1031);  // no entry
    EXPECT_EQ(LanguageName(), QStringLiteral("English"));
    EXPECT_EQ(Translate(QStringLiteral("Note")), QStringLiteral("Note"));
    InitLanguageForLocale(folder.Path(), 1041);  // empty entry
    EXPECT_EQ(LanguageName(), QStringLiteral("English"));
    InitLanguageForLocale(folder.Path(), 0x10000 | 2052);  // only the low 16 bits count
    EXPECT_EQ(LanguageName(), QStringLiteral("Test"));
    EXPECT_EQ(Translate(QStringLiteral("Note")), QStringLiteral("Hinweis"));
}

TEST(Language, TranslateRules)
{
    LanguageFolder folder;
    folder.Write(QStringLiteral("Language.ini"), kTable);
    folder.Write(QStringLiteral("Test.lng"),
                 "[PROGRAMOUTSTR]\n"
                 "Note=Hinweis\n"
                 "Gone=[~NullInfoChrys~]\n"
                 "Empty=\n"
                 "Two lines=eins\\r\\nzwei\\ndrei\n"
                 "Spaced=a[~Null~]b[~NullInfoChrys~]c\n"
                 "Order=x\\[~Null~]r\\n\n"
                 "Label:=\"Etikett: \"\n"
                 "Straße=street\n"
                 "Dup=first\n"
                 "DUP=second\n");
    InitLanguageForLocale(folder.Path(), 2052);
    struct Case {
        QString text, shown;
    } cases[] = {
        {QStringLiteral("Note"), QStringLiteral("Hinweis")},
        {QStringLiteral("note"), QStringLiteral("Hinweis")},
        {QStringLiteral("NOTE"), QStringLiteral("Hinweis")},
        {QStringLiteral("Gone"), QString()},
        {QStringLiteral("Empty"), QStringLiteral("Empty")},
        {QStringLiteral("Two lines"), QStringLiteral("eins\r\nzwei\ndrei")},
        {QStringLiteral("Spaced"), QStringLiteral("a bc")},
        // "\r\n" goes first, then "\n", then the markers: the backslash left
        // by the marker step does not join the "r\n" after it.
        {QStringLiteral("Order"), QStringLiteral("x\\ r\n")},
        {QStringLiteral("Label: "), QStringLiteral("Etikett: ")},
        {QStringLiteral("STRASSE"), QStringLiteral("STRASSE")},
        {QStringLiteral("STRAßE"), QStringLiteral("street")},
        {QStringLiteral("Missing\\n[~Null~]text"), QStringLiteral("Missing\n text")},
        {QStringLiteral("a=b"), QStringLiteral("a=b")},
        {QStringLiteral("DUP"), QStringLiteral("first")},  // the first of a folded key wins
        {QStringLiteral("dup"), QStringLiteral("first")},
        {QString(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Translate(c.text), c.shown) << c.text.toStdString();
    EXPECT_EQ(Translate(std::string_view("NOTE")), "Hinweis");
    EXPECT_EQ(Translate(std::string_view("")), "");
}

TEST(Language, Utf16TableAndValueCap)
{
    LanguageFolder folder;
    folder.Write(QStringLiteral("Language.ini"),
                 Utf16LeWithBom(QStringLiteral("[lcid]\r\n2052=Test\r\n")));
    folder.Write(QStringLiteral("Test.lng"),
                 Utf16LeWithBom(QStringLiteral("[ProgramOutStr]\r\nNote=提示\r\nLong=") +
                                QString(3000, u'y') + QStringLiteral("\r\n")));
    InitLanguageForLocale(folder.Path(), 2052);
    EXPECT_EQ(Translate(QStringLiteral("Note")), QStringLiteral("提示"));
    EXPECT_EQ(Translate(QStringLiteral("Long")), QString(1022, u'y'));
}

TEST(Language, BadFilesGiveEnglish)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    const QByteArray noBomTable(encoder(QStringLiteral("[ProgramOutStr]\r\nNote=Hinweis\r\n")));
    QByteArray junk(200000, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<char>((i * 7919) >> 3);
    struct Case {
        const char* name;
        QByteArray ini, table;
    } cases[] = {
        {"empty files", {}, {}},
        {"empty table", kTable, {}},
        {"junk selection", junk, "[ProgramOutStr]\nNote=Hinweis\n"},
        {"junk table", kTable, junk},
        {"UTF-16 table without mark", kTable, noBomTable},
        {"UTF-16 selection without mark", QByteArray(encoder(QString::fromLatin1(kTable))),
         "[ProgramOutStr]\nNote=Hinweis\n"},
        {"language name far too long", "[LCID]\n2052=" + QByteArray(100000, 'n') + "\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LanguageFolder folder;
        folder.Write(QStringLiteral("Language.ini"), c.ini);
        folder.Write(QStringLiteral("Test.lng"), c.table);
        InitLanguageForLocale(folder.Path(), 2052);
        EXPECT_EQ(Translate(QStringLiteral("Note")), QStringLiteral("Note"));
    }
}

TEST(Language, ShippedChineseTableCoversStatuses)
{
    const char* source = std::getenv("KESTRUNE_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    InitLanguageForLocale(std::string(source) + "/data/", 2052);
    EXPECT_EQ(LanguageName(), QStringLiteral("Chinese"));
    for (const char* text :
         {"Wait operate", "Operating", "Operate success", "Operate fail", "Transmit finish",
          "Transmit fail", "Device respond timeout", "Lockcode mismatch", "Note",
          "Failed to open database, unable to get data.", "Ok", "Cancel", "Scan Devices",
          "Please select the devices!", "Configuration successful: ", "devices, Failed:"}) {
        const QString english = QString::fromLatin1(text);
        EXPECT_NE(Translate(english), english) << text;
    }
    EXPECT_EQ(Translate(QStringLiteral("Configuration successful: ")),
              QStringLiteral("配置成功："));
    InitLanguageForLocale(std::string(source) + "/data/", 1033);
    EXPECT_EQ(Translate(QStringLiteral("Note")), QStringLiteral("Note"));
}

// The user's locale as the environment gives it, mapped to its locale number.
TEST(Language, SystemLocaleNumbers)
{
    struct Case {
        const char* locale;
        int id;
    } cases[] = {
        {"en_US.UTF-8", 1033}, {"zh_CN.UTF-8", 2052}, {"zh_TW.UTF-8", 1028}, {"zh_HK.UTF-8", 3076},
        {"de_DE.UTF-8", 1031}, {"fr_FR.UTF-8", 1036}, {"ja_JP.UTF-8", 1041}, {"ko_KR.UTF-8", 1042},
        {"ru_RU.UTF-8", 1049}, {"es_ES.UTF-8", 3082}, {"pt_BR.UTF-8", 1046}, {"C", 1033},
    };
    for (const Case& c : cases) {
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"})
            env.insert(QString::fromLatin1(name), QString::fromLatin1(c.locale));
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(PROGRAM_FOLDER_PROBE), {QStringLiteral("--locale")});
        ASSERT_TRUE(probe.waitForFinished(20000)) << c.locale;
        EXPECT_EQ(probe.readAllStandardOutput().trimmed().toInt(), c.id) << c.locale;
    }
}
