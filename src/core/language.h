// The language of the user, for the texts of the programs' own that come in two.
#pragma once

namespace pravelot {

enum class UserLanguage { English, Japanese };

// The language for the values of LC_ALL, LC_MESSAGES and LANG (null when unset): the
// first that is set and not empty decides, and a locale beginning with "ja" is Japanese.
UserLanguage userLanguageOf(const char *lcAll, const char *lcMessages, const char *lang);
// The same for this process's environment (on Windows, without those variables, the
// user's language for programs).
UserLanguage userLanguageFromEnvironment();

} // namespace pravelot
