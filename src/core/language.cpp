#include "core/language.h"

#include <cstdlib>
#include <initializer_list>

#ifdef _WIN32
#include <windows.h>
#endif

namespace pravelot {

UserLanguage userLanguageOf(const char *lcAll, const char *lcMessages, const char *lang)
{
    for (const char *value : {lcAll, lcMessages, lang})
        if (value && *value)
            return value[0] == 'j' && value[1] == 'a' ? UserLanguage::Japanese
                                                      : UserLanguage::English;
    return UserLanguage::English;
}

UserLanguage userLanguageFromEnvironment()
{
    const char *lcAll = std::getenv("LC_ALL");
    const char *lcMessages = std::getenv("LC_MESSAGES");
    const char *lang = std::getenv("LANG");
#ifdef _WIN32
    // Windows keeps the language in the user's settings, not in the environment.
    if (!(lcAll && *lcAll) && !(lcMessages && *lcMessages) && !(lang && *lang))
        return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? UserLanguage::Japanese
                                                                          : UserLanguage::English;
#endif
    return userLanguageOf(lcAll, lcMessages, lang);
}

} // namespace pravelot
