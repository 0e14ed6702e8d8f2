#include "ProfileFile.h"

#include <QFile>
#include <QStringDecoder>

namespace kestrune {
namespace {

// Files larger than this are not settings or language tables; reading stops there.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

QString DecodeFile(const QByteArray& bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder(bytes.mid(2));
    }
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    return QString::fromUtf8(body);
}

QString StripEnclosingQuotes(QString value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    return value;
}

}  // namespace

ProfileFile ProfileFile::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return FromBytes(file.read(kMaxFileBytes));
}

ProfileFile ProfileFile::FromBytes(const QByteArray& bytes)
{
    ProfileFile profile;
    const QString text = DecodeFile(bytes);
    QHash<QString, QString>* current = nullptr;
    QHash<QString, QString>* spellings = nullptr;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        const QString line = text.mid(start, end - start).trimmed();
        start = end + 1;
        if (line.isEmpty() || line.front() == u';')
            continue;  // comments: no program text starts with ';'

        if (line.front() == u'[') {
            const qsizetype close = line.indexOf(u']');
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed().toLower();
            current = &profile.m_sections[name];
            spellings = &profile.m_spellings[name];
            continue;
        }
        if (!current)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString spelling = line.left(equals).trimmed();
        const QString key = spelling.toLower();
        if (key.isEmpty() || current->contains(key))
            continue;  // the first occurrence of a key wins
        current->insert(key, StripEnclosingQuotes(line.mid(equals + 1).trimmed()));
        spellings->insert(key, spelling);
    }
    return profile;
}

const QHash<QString, QString>* ProfileFile::Section(const QString& section) const
{
    const auto it = m_sections.constFind(section.toLower());
    return it == m_sections.constEnd() ? nullptr : &it.value();
}

QString ProfileFile::KeySpelling(const QString& section, const QString& foldedKey) const
{
    const auto it = m_spellings.constFind(section.toLower());
    return it == m_spellings.constEnd() ? QString() : it.value().value(foldedKey);
}

std::optional<QString> ProfileFile::Value(const QString& section, const QString& key,
                                          int maxLength) const
{
    const auto* pairs = Section(section);
    if (!pairs)
        return std::nullopt;
    const auto it = pairs->constFind(key.toLower());
    if (it == pairs->constEnd())
        return std::nullopt;
    return it.value().left(maxLength);
}

QString ProfileFile::Get(const QString& section, const QString& key, const QString& fallback,
                         int maxLength) const
{
    return Value(section, key, maxLength).value_or(fallback);
}

}  // namespace kestrune
