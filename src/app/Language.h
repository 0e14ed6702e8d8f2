#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace kestrune {

// Picks the language table from the user's locale and loads it into memory.
// Called once at start-up, before any window or thread exists.
void InitLanguage(const std::string& programFolder);

// Same, with the locale number given (tests, and the start-up path).
void InitLanguageForLocale(const std::string& programFolder, int localeId);

// The Windows locale number of the user's locale (1033 en-US, 2052 zh-CN, ...).
int SystemLocaleId();

// The name of the chosen language ("English" when none is configured).
QString LanguageName();
// The full path of the chosen table file (it may not exist).
QString LanguageTablePath();

// A translation is read up to this many characters.
inline constexpr int kTranslationChars = 1022;

// The text to show for an English text of the program. Any thread may call it.
QString Translate(const QString& text);
// The same for narrow (UTF-8) text.
std::string Translate(std::string_view text);

}  // namespace kestrune
