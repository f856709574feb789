// A locale of another character encoding becomes its UTF-8 form for the
// character type only, before Qt would say so on standard error.
#include "utf8_locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {
std::string env(const char* name) { return std::getenv(name) ? std::getenv(name) : "(unset)"; }
}  // namespace

TEST(Utf8Locale, OnlyTheCharacterTypeTurnsUtf8AndLcAllIsSharedOut) {
    const struct {
        const char *lcAll, *lang, *ctype, *messages;
    } rows[] = {
        {nullptr, "C.UTF-8", "(unset)", "(unset)"},
        {nullptr, nullptr, "C.UTF-8", "(unset)"},
        {nullptr, "POSIX", "C.UTF-8", "(unset)"},
        {"C", "C.UTF-8", "C.UTF-8", "C"},
    };
    for (const auto& row : rows) {
        for (const char* name : {"LC_ALL", "LANG", "LC_CTYPE", "LC_MESSAGES", "LANGUAGE"}) unsetenv(name);
        if (row.lcAll) setenv("LC_ALL", row.lcAll, 1);
        if (row.lang) setenv("LANG", row.lang, 1);
        platform::useUtf8CharacterType();
        EXPECT_EQ(env("LC_CTYPE"), row.ctype) << env("LANG");
        EXPECT_EQ(env("LC_MESSAGES"), row.messages);
        EXPECT_EQ(env("LC_ALL"), "(unset)");
    }
}
