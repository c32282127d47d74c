// _stricmp/_strnicmp fold ASCII letters only, whatever the locale: export and library names are
// matched with them, and a locale's own case rules must not change which name matches.
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

int sign(int v) {
    return (v > 0) - (v < 0);
}

} // namespace

TEST(CrtString, AsciiComparisonWithoutRegardToCase) {
    struct Case {
        const char *a, *b;
        int expected; // sign of the result
    } cases[] = {
        {"get_used_screens", "GET_USED_SCREENS", 0},
        {"KERNEL32.dll", "kernel32.DLL", 0},
        {"", "", 0},
        {"a", "", 1},
        {"", "a", -1},
        {"abc", "ABD", -1},
        {"ABD", "abc", 1},
        {"[", "a", -1},       // '[' lies between 'Z' and 'a': compared as folded to lower case
        {"_", "A", -1},       // as on Windows: 'A' folds to 'a' (0x61), above '_' (0x5F)
        {"\xC4", "\xE4", -1}, // bytes above 127 are not letters here
        {"I", "i", 0},
    };
    for (const char* locale : {"C", "C.UTF-8", ""}) {
        if (!std::setlocale(LC_ALL, locale))
            continue;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(locale) + ": " + c.a + " / " + c.b);
            EXPECT_EQ(sign(_stricmp(c.a, c.b)), c.expected);
        }
    }
    std::setlocale(LC_ALL, "C");
}

TEST(CrtString, CountedComparisonStopsAtTheCountOrTheEnd) {
    EXPECT_EQ(_strnicmp("module_A", "MODULE_b", 7), 0);
    EXPECT_LT(_strnicmp("module_A", "MODULE_b", 8), 0);
    EXPECT_EQ(_strnicmp("abc", "ABC", 100), 0);
    EXPECT_EQ(_strnicmp("abc", "xyz", 0), 0);
}
