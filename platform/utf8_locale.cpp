#include "utf8_locale.h"

#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <string>
#include <strings.h>

namespace platform {

void useUtf8CharacterType() {
    if (!std::setlocale(LC_ALL, "")) return;  // a locale that is not installed: C, as Qt then finds it too
    const char* codeset = nl_langinfo(CODESET);
    const bool utf8 = strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0;
    std::string ctype = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_ALL, "C");
    if (utf8) return;
    ctype = ctype.substr(0, ctype.find_first_of(".@")) + ".UTF-8";
    if (!std::setlocale(LC_CTYPE, ctype.c_str())) ctype = "C.UTF-8";
    std::setlocale(LC_CTYPE, "C");
    // LC_ALL would win over LC_CTYPE: its value goes to each other category.
    if (const char* all = std::getenv("LC_ALL"); all && *all) {
        const std::string value = all;
        for (const char* category : {"LC_COLLATE", "LC_MESSAGES", "LC_MONETARY", "LC_NUMERIC", "LC_TIME", "LC_PAPER",
                                     "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"})
            setenv(category, value.c_str(), 1);
        unsetenv("LC_ALL");
    }
    setenv("LC_CTYPE", ctype.c_str(), 1);
}

}  // namespace platform
