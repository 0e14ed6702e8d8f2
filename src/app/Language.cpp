#include "Language.h"

#include "ProfileFile.h"

#include <QFileInfo>
#include <QHash>
#include <QLocale>

namespace kestrune {
namespace {

struct LanguageState {
    QString name = QStringLiteral("English");
    QString tablePath;
    ProfileFile table;
};

// Written once by InitLanguage before other threads start; read-only afterwards.
LanguageState& State()
{
    static LanguageState state;
    return state;
}

QString ReplaceMarkers(QString text)
{
    text.replace(QStringLiteral("\\r\\n"), QStringLiteral("\r\n"));
    text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("[~NullInfoChrys~]"), QString());
    text.replace(QStringLiteral("[~Null~]"), QStringLiteral(" "));
    return text;
}

QString AsciiLower(const QString& text)
{
    QString key = text;
    for (QChar& c : key) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return key;
}

}  // namespace

int SystemLocaleId()
{
    struct Entry {
        QLocale::Language language;
        QLocale::Territory territory;
        int id;
    };
    static constexpr Entry kTable[] = {
        {QLocale::English, QLocale::UnitedStates, 1033},
        {QLocale::English, QLocale::UnitedKingdom, 2057},
        {QLocale::Chinese, QLocale::China, 2052},
        {QLocale::Chinese, QLocale::Taiwan, 1028},
        {QLocale::Chinese, QLocale::HongKong, 3076},
        {QLocale::German, QLocale::Germany, 1031},
        {QLocale::French, QLocale::France, 1036},
        {QLocale::Japanese, QLocale::Japan, 1041},
        {QLocale::Korean, QLocale::SouthKorea, 1042},
        {QLocale::Russian, QLocale::Russia, 1049},
        {QLocale::Spanish, QLocale::Spain, 3082},
        {QLocale::Portuguese, QLocale::Brazil, 1046},
        {QLocale::Italian, QLocale::Italy, 1040},
    };
    const QLocale locale = QLocale::system();
    for (const Entry& e : kTable) {
        if (e.language == locale.language() && e.territory == locale.territory())
            return e.id;
    }
    // Same language in another territory: take that language's first entry.
    for (const Entry& e : kTable) {
        if (e.language == locale.language())
            return e.id;
    }
    return 1033;
}

void InitLanguage(const std::string& programFolder)
{
    InitLanguageForLocale(programFolder, SystemLocaleId());
}

void InitLanguageForLocale(const std::string& programFolder, int localeId)
{
    LanguageState& state = State();
    const QString folder = QString::fromStdString(programFolder) + QStringLiteral("Languages/");
    const ProfileFile selection = ProfileFile::Load(folder + QStringLiteral("Language.ini"));
    QString name = selection.Get(QStringLiteral("LCID"), QString::number(localeId & 0xFFFF), {});
    if (name.isEmpty())
        name = QStringLiteral("English");
    state.name = name;
    state.tablePath = folder + name + QStringLiteral(".lng");
    state.table = ProfileFile::Load(state.tablePath);
}

QString LanguageName()
{
    return State().name;
}

QString Translate(const QString& text)
{
    if (text.isEmpty())
        return {};
    const auto value = State().table.Value(QStringLiteral("ProgramOutStr"), AsciiLower(text));
    return ReplaceMarkers(value && !value->isEmpty() ? *value : text);
}

std::string Translate(std::string_view text)
{
    return Translate(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())))
        .toStdString();
}

}  // namespace kestrune
