// Export lookup ignores the case of ASCII letters and of nothing else, whatever the locale: a locale
// whose case rules fold Latin-1 letters must not make "\xC4" match "\xE4".
#include "module_loader.h"

#include "pe_builder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <string>

namespace {

using zvk_test::PeBuilder;

struct Unmap {
    void operator()(MappedModule* module) const { unmap_module(module); }
};

// A locale that folds Latin-1 letters: Windows' name for code page 1252 or a POSIX namesake (the
// host may have none; the lookup must not depend on it either way).
class FoldingLocale {
public:
    FoldingLocale() {
        for (const char* name : {"German_Germany.1252", "de_DE.ISO-8859-1", "de_DE.iso88591", "de_DE@euro"})
            if (std::setlocale(LC_ALL, name))
                break;
    }
    ~FoldingLocale() { std::setlocale(LC_ALL, "C"); }
};

TEST(ExportNames, OnlyAsciiLettersIgnoreCase) {
    PeBuilder b;
    std::uint32_t text = b.add_section(".text", PeBuilder::code, 0x200);
    b.add_export("get_used_screens", text);
    b.add_export("\xE4rger", text + 0x10);
    b.add_export("Stra\xDF"
                 "e",
                 text + 0x20);
    const std::string image = b.build();

    FoldingLocale locale;
    std::unique_ptr<MappedModule, Unmap> m(map_module(image.data(), image.size()));
    ASSERT_TRUE(m);
    unsigned char* base = m->code_base;
    struct Case {
        const char* name;
        unsigned char* address;
    } cases[] = {
        {"get_used_screens", base + text},
        {"GET_USED_SCREENS", base + text},
        {"Get_Used_Screens", base + text},
        {"get_used_screen", nullptr},
        {"get_used_screens_", nullptr},
        {"\xE4rger", base + text + 0x10},
        {"\xE4RGER", base + text + 0x10},
        {"\xC4rger", nullptr},
        {"\xC4RGER", nullptr},
        {"STRA\xDF"
         "E",
         base + text + 0x20},
        {"", nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(find_export(m.get(), c.name), static_cast<void*>(c.address)) << c.name;
}

} // namespace
