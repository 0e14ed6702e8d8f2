#pragma once

#include <QHash>
#include <QString>

#include <optional>

namespace kestrune {

// A reader for profile-string (INI) files with the classic rules: section
// names and keys match without regard to letter case, a key is everything
// before the first '=' of its line, values are trimmed and lose one pair of
// enclosing quotes, and a file that starts with a UTF-16 LE byte-order mark is
// read as UTF-16 (anything else as UTF-8). The whole file is read once.
class ProfileFile {
public:
    ProfileFile() = default;

    // Reads the file; a missing or unreadable file gives an empty profile.
    static ProfileFile Load(const QString& path);
    // Parses text already in memory (same rules as a file's contents).
    static ProfileFile FromBytes(const QByteArray& bytes);

    // The value of a key, cut to maxLength characters, or nothing when the
    // section or the key is absent. A key present with an empty value gives "".
    std::optional<QString> Value(const QString& section, const QString& key,
                                 int maxLength = kDefaultMaxLength) const;

    // Value() with a default for an absent key (a present empty key stays "").
    QString Get(const QString& section, const QString& key, const QString& fallback,
                int maxLength = kDefaultMaxLength) const;

    // All pairs of one section, keys folded to lower case.
    const QHash<QString, QString>* Section(const QString& section) const;

    // The key of a pair as the file spells it, by its folded key.
    QString KeySpelling(const QString& section, const QString& foldedKey) const;

    bool IsEmpty() const { return m_sections.isEmpty(); }

    static constexpr int kDefaultMaxLength = 1022;

private:
    QHash<QString, QHash<QString, QString>> m_sections;
    QHash<QString, QHash<QString, QString>> m_spellings;  // folded key -> key as written
};

}  // namespace kestrune
