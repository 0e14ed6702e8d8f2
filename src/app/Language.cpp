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
    // Keys folded to lower case; values already cut to the value cap and
    // with their markers replaced, so a lookup is one hash probe. Keys whose
    // value is empty are left out: an empty value counts as missing.
    QHash<QString, QString> table;
    // The same values by the key exactly as the table spells it: program
    // texts nearly always match their key's letter case, and this probe
    // needs no folded copy of the text.
    QHash<QString, QString> exact;
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

bool MayHoldMarkers(const QString& text)
{
    return text.contains(u'\\') || text.contains(u'[');
}

bool HasUpperCase(const QString& text)
{
    for (const QChar c : text) {
        if (c.toLower() != c)
            return true;
    }
    return false;
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
    state.table.clear();
    state.exact.clear();
    const ProfileFile table = ProfileFile::Load(state.tablePath);
    if (const auto* pairs = table.Section(QStringLiteral("ProgramOutStr"))) {
        state.table.reserve(pairs->size());
        state.exact.reserve(pairs->size());
        for (auto it = pairs->cbegin(); it != pairs->cend(); ++it) {
            if (it.value().isEmpty())
                continue;
            const QString shown = ReplaceMarkers(it.value().left(kTranslationChars));
            state.table.insert(it.key(), shown);
            state.exact.insert(table.KeySpelling(QStringLiteral("ProgramOutStr"), it.key()), shown);
        }
    }
}

QString LanguageTablePath()
{
    return State().tablePath;
}

QString LanguageName()
{
    return State().name;
}

QString Translate(const QString& text)
{
    if (text.isEmpty())
        return {};
    // The table's keys are matched without regard to letter case; most
    // program texts are looked up as they stand, without a folded copy.
    // Keys are trimmed in the table, so a text with blanks around it (such as
    // a label followed by its value) is looked up trimmed.
    const LanguageState& state = State();
    if (const auto hit = state.exact.constFind(text); hit != state.exact.constEnd())
        return hit.value();
    const QHash<QString, QString>& table = state.table;
    const bool padded = text.front().isSpace() || text.back().isSpace();
    const QString& key = padded ? text.trimmed() : text;
    const auto it = HasUpperCase(key) ? table.constFind(key.toLower()) : table.constFind(key);
    if (it != table.constEnd())
        return it.value();
    return MayHoldMarkers(text) ? ReplaceMarkers(text) : text;
}

std::string Translate(std::string_view text)
{
    return Translate(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())))
        .toStdString();
}

}  // namespace kestrune
