// WmiQuery against the stand-in's WMI: the SMBIOS query over made-up firmware tables, the general
// query's refusals and failing steps, the cell text of each VARIANT type, and COM set-up.
#include "smbios_fixture.h"
#include "test_support.h"
#include "wmi_query.h"
#include "zvk_posix_wmi.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

namespace {

const char* const smbios_properties[] = {"SmbiosMajorVersion", "SmbiosMinorVersion", "Size", "SMBiosData"};

std::string cell(const WmiRows* rows, std::size_t row, std::size_t column) {
    const char* c = (*rows->at(row)).at(column);
    return std::string(c, WmiQuery::cell_size(c));
}

// Runs f on a thread of its own, so that its COM apartment starts afresh.
void on_new_thread(const std::function<void()>& f) {
    std::thread(f).join();
}

// A sentinel that a failed query must leave in the caller's pointer.
WmiRows* const untouched = reinterpret_cast<WmiRows*>(0x1);

class WmiQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        zvk_winapi::clear_com_faults();
        zvk_winapi::reset_com_security();
    }
    void TearDown() override {
        zvk_winapi::clear_com_faults();
        unsetenv("ZVK_SMBIOS_DIR");
    }
};

// A small table with NULs inside, a 3.x entry point.
std::string sample_table() {
    return zvk_test::smbios_system_information(1, 2, {"Varnek", "PF0ABC12"}) +
           zvk_test::smbios_end_of_table();
}

TEST_F(WmiQueryTest, SmbiosQueryGivesOneRowOfFourCellsWithTheWholeTable) {
    const std::string table = sample_table();
    zvk_test::use_smbios_table("one_row", table, 3, 2);
    WmiQuery q;
    WmiRows* rows = nullptr;
    ASSERT_EQ(q.query_smbios(smbios_properties, &rows), 0);
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(rows->size(), 1u);
    ASSERT_EQ(rows->front()->size(), 4u);
    EXPECT_EQ(cell(rows, 0, 0), "3");
    EXPECT_EQ(cell(rows, 0, 1), "2");
    EXPECT_EQ(cell(rows, 0, 2), std::to_string(table.size()));
    EXPECT_EQ(cell(rows, 0, 3), table);
    EXPECT_EQ((*rows->front())[3][table.size()], '\0');
    EXPECT_EQ(std::strlen((*rows->front())[0]), 1u); // number cells are plain C strings
    WmiQuery::free_rows(&rows);
}

TEST_F(WmiQueryTest, EntryPointKindsGiveTheirVersionAndDeclaredSize) {
    const std::string table = sample_table();
    struct Case {
        const char* name;
        std::string entry_point;
        const char* major;
        const char* minor;
        const char* size;
    } cases[] = {
        {"sm3", zvk_test::smbios_entry_point_3(3, 4, 1234), "3", "4", "1234"},
        {"sm2", zvk_test::smbios_entry_point_2(2, 7, 321), "2", "7", "321"},
        {"legacy", zvk_test::smbios_entry_point_legacy(0x21, 77), "2", "1", "77"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        zvk_test::use_smbios_tables(c.name, c.entry_point, table);
        WmiQuery q;
        WmiRows* rows = nullptr;
        ASSERT_EQ(q.query_smbios(smbios_properties, &rows), 0);
        ASSERT_NE(rows, nullptr);
        EXPECT_EQ(cell(rows, 0, 0), c.major);
        EXPECT_EQ(cell(rows, 0, 1), c.minor);
        EXPECT_EQ(cell(rows, 0, 2), c.size);
        EXPECT_EQ(cell(rows, 0, 3), table); // the data is the table file, whatever the entry point says
        WmiQuery::free_rows(&rows);
    }
}

TEST_F(WmiQueryTest, NoReadableTablesGiveNoObject) {
    const std::string table = sample_table();
    struct Case {
        const char* name;
        bool write_entry_point;
        std::string entry_point;
        bool write_table;
    } cases[] = {
        {"no_files", false, "", false},
        {"no_table", true, zvk_test::smbios_entry_point_3(3, 2, 10), false},
        {"no_entry_point", false, "", true},
        {"unknown_anchor", true, "_XX_" + std::string(27, '\0'), true},
        {"short_sm3", true, zvk_test::smbios_entry_point_3(3, 2, 10).substr(0, 12), true},
        {"short_sm2", true, zvk_test::smbios_entry_point_2(2, 8, 10).substr(0, 0x17), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = zvk_test::fresh_dir(c.name);
        if (c.write_entry_point)
            zvk_test::write_file(dir + "/smbios_entry_point", c.entry_point);
        if (c.write_table)
            zvk_test::write_file(dir + "/DMI", table);
        setenv("ZVK_SMBIOS_DIR", dir.toLocal8Bit().constData(), 1);
        WmiQuery q;
        WmiRows* rows = untouched;
        EXPECT_EQ(q.query_smbios(smbios_properties, &rows), 0);
        EXPECT_EQ(rows, nullptr);
    }
}

TEST_F(WmiQueryTest, QueryTextsAreCutAndJoined) {
    const std::string long_name(60, 'N');
    const std::string long_class(70, 'C');
    const std::string long_condition = "Id = 1" + std::string(600, ' ');
    const char* props[] = {"Id", long_name.c_str()};
    std::unique_ptr<char[]> text;

    ASSERT_EQ(WmiQuery::build_fixed_query(smbios_properties, text), 0);
    EXPECT_STREQ(
        text.get(),
        "SELECT SmbiosMajorVersion, SmbiosMinorVersion, Size, SMBiosData FROM MSSmBios_RawSMBiosTables");

    ASSERT_EQ(WmiQuery::build_query(props, long_condition.c_str(), long_class.c_str(), 2, text), 0);
    const std::string expected = "SELECT Id, " + long_name.substr(0, 50) + " FROM " +
                                 long_class.substr(0, 50) + " WHERE " + long_condition.substr(0, 500);
    EXPECT_EQ(std::string(text.get()), expected);
}

TEST_F(WmiQueryTest, GeneralQueryRefusals) {
    const char* props[] = {"Id", "Name"};
    const char* with_null[] = {"Id", nullptr};
    struct Case {
        const char* name;
        const char* const* properties;
        const char* condition;
        const char* class_name;
        int count;
        int expected;
    } cases[] = {
        {"null list", nullptr, "Id = 1", "Zvk_Widget", 2, WMI_NULL_PROPERTY},
        {"null name", with_null, "Id = 1", "Zvk_Widget", 2, WMI_NULL_PROPERTY},
        {"null class", props, "Id = 1", nullptr, 2, WMI_NULL_CLASS},
        {"count 0", props, "Id = 1", "Zvk_Widget", 0, WMI_BAD_PROPERTY_COUNT},
        {"negative count", props, "Id = 1", "Zvk_Widget", -3, WMI_BAD_PROPERTY_COUNT},
        {"count before condition", props, nullptr, "Zvk_Widget", 0, WMI_BAD_PROPERTY_COUNT},
        {"null condition", props, nullptr, "Zvk_Widget", 2, WMI_NULL_CONDITION},
        {"condition before names", with_null, nullptr, nullptr, 2, WMI_NULL_CONDITION},
        {"unknown class", props, "Id = 1", "Zvk_NoSuchClass", 2, WMI_QUERY_FAILED},
        {"unknown property", props, "Id = 1", "MSSmBios_RawSMBiosTables", 2, WMI_QUERY_FAILED},
        {"bad condition", props, "Id = = 1", "Zvk_Widget", 2, WMI_QUERY_FAILED},
    };
    zvk_winapi::register_wmi_class(L"Zvk_Widget", {{{L"Id", VT_I4, 1}, {L"Name", L"one"}}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WmiQuery q;
        WmiRows* rows = untouched;
        EXPECT_EQ(q.query(c.properties, c.condition, c.class_name, c.count, &rows, L"root\\WMI"), c.expected);
        EXPECT_EQ(rows, untouched);
    }
    WmiQuery q;
    WmiRows* rows = untouched;
    EXPECT_EQ(q.query(props, "Id = 1", "Zvk_Widget", 2, &rows, L"root\\CIMV2"), WMI_CONNECT_FAILED);
    EXPECT_EQ(q.exec_query(nullptr, nullptr, nullptr), WMI_NO_QUERY);
    zvk_winapi::unregister_wmi_class(L"Zvk_Widget");
}

TEST_F(WmiQueryTest, GeneralQueryFiltersAndKeepsEnumerationOrder) {
    zvk_winapi::register_wmi_class(L"Zvk_Widget", {
                                                      {{L"Id", VT_I4, 1}, {L"Name", L"one"}},
                                                      {{L"Id", VT_I4, 2}, {L"Name", L"two"}},
                                                      {{L"Id", VT_I4, 3}, {L"Name", L"Three"}},
                                                  });
    const char* props[] = {"name", "ID"}; // WMI names ignore case
    struct Case {
        const char* condition;
        std::vector<std::string> names;
    } cases[] = {
        {"Id >= 2", {"two", "Three"}},
        {"Name = 'THREE' OR Id = 1", {"one", "Three"}},
        {"Id > 1 AND Id < 3", {"two"}},
        {"Id = 9", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.condition);
        WmiQuery q;
        WmiRows* rows = untouched;
        ASSERT_EQ(q.query(props, c.condition, "zvk_widget", 2, &rows, L"ROOT\\wmi"), 0);
        if (c.names.empty()) {
            EXPECT_EQ(rows, nullptr);
            continue;
        }
        ASSERT_NE(rows, nullptr);
        ASSERT_EQ(rows->size(), c.names.size());
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            EXPECT_EQ(cell(rows, i, 0), c.names[i]);
            EXPECT_EQ(rows->at(i)->size(), 2u);
        }
        WmiQuery::free_rows(&rows);
    }
    zvk_winapi::unregister_wmi_class(L"Zvk_Widget");
}

TEST_F(WmiQueryTest, CellTextFollowsTheVariantType) {
    // Text cells follow the C runtime's locale; the C locale cannot represent the accented letter.
    const std::string old_locale = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    const std::wstring long_text(600, L'x');
    const std::vector<unsigned char> bytes = {0, 'a', 0, 0xFF};
    zvk_winapi::register_wmi_class(L"Zvk_Typed", {{
                                                     {L"Id", VT_I4, 1},
                                                     {L"Signed", VT_I4, -70000},
                                                     {L"Byte", VT_UI1, 200},
                                                     {L"SignedByte", VT_I1, -1},
                                                     {L"Word", VT_UI2, 65535},
                                                     {L"Text", L"Varnek Diagnostics"},
                                                     {L"LongText", long_text},
                                                     {L"Wide", L"caf\u00e9"},
                                                     {L"Flag", VT_BOOL, 1},
                                                     {L"Big", VT_UI4, 7},
                                                     {L"Bytes", bytes},
                                                     {L"NoBytes", std::vector<unsigned char>()},
                                                 }});
    struct Case {
        const char* property;
        std::string text;
    } cases[] = {
        {"Signed", "-70000"},
        {"Byte", "200"},
        {"SignedByte", "255"},
        {"Word", "65535"},
        {"Text", "Varnek Diagnostics"},
        {"LongText", std::string(500, 'x')},
        {"Wide", ""}, // not representable in the C locale
        {"Flag", ""},
        {"Big", ""},
        {"Bytes", std::string("\0a\0\xFF", 4)},
        {"NoBytes", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.property);
        const char* props[] = {c.property};
        WmiQuery q;
        WmiRows* rows = nullptr;
        ASSERT_EQ(q.query(props, "Id = 1", "Zvk_Typed", 1, &rows, L"root\\WMI"), 0);
        ASSERT_NE(rows, nullptr);
        EXPECT_EQ(cell(rows, 0, 0), c.text);
        WmiQuery::free_rows(&rows);
    }
    if (std::setlocale(LC_ALL, "C.UTF-8")) {
        const char* props[] = {"Wide"};
        WmiQuery q;
        WmiRows* rows = nullptr;
        ASSERT_EQ(q.query(props, "Id = 1", "Zvk_Typed", 1, &rows, L"root\\WMI"), 0);
        EXPECT_EQ(cell(rows, 0, 0), "caf\xC3\xA9");
        WmiQuery::free_rows(&rows);
    }
    zvk_winapi::unregister_wmi_class(L"Zvk_Typed");
    std::setlocale(LC_ALL, old_locale.c_str());
}

TEST_F(WmiQueryTest, PropertyNameLongerThanFiftyIsCutInTextAndGet) {
    const std::wstring fifty(50, L'P');
    zvk_winapi::register_wmi_class(L"Zvk_LongNames", {{{L"Id", VT_I4, 4}, {fifty, VT_I4, 42}}});
    const std::string longer = std::string(50, 'P') + "_beyond_the_cut";
    const char* props[] = {longer.c_str(), "Id"};
    WmiQuery q;
    WmiRows* rows = nullptr;
    ASSERT_EQ(q.query(props, "Id = 4", "Zvk_LongNames", 2, &rows, L"root\\WMI"), 0);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(cell(rows, 0, 0), "42");
    EXPECT_EQ(cell(rows, 0, 1), "4");
    WmiQuery::free_rows(&rows);
    zvk_winapi::unregister_wmi_class(L"Zvk_LongNames");
}

TEST_F(WmiQueryTest, FailingStepsGiveTheirStatusAndNoRows) {
    zvk_test::use_smbios_table("faults", sample_table());
    using Faults = zvk_winapi::ComFaults;
    struct Case {
        const char* name;
        std::function<void(Faults&)> fail;
        int expected;
    } cases[] = {
        {"locator", [](Faults& f) { f.create_instance = true; }, WMI_LOCATOR_FAILED},
        {"connect", [](Faults& f) { f.connect_server = true; }, WMI_CONNECT_FAILED},
        {"proxy blanket", [](Faults& f) { f.proxy_blanket = true; }, WMI_PROXY_BLANKET_FAILED},
        {"exec query", [](Faults& f) { f.exec_query = true; }, WMI_QUERY_FAILED},
        {"null object", [](Faults& f) { f.null_object = true; }, WMI_ROW_FAILED},
        {"get", [](Faults& f) { f.failing_property = L"size"; }, WMI_ROW_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Faults faults;
        c.fail(faults);
        zvk_winapi::set_com_faults(faults);
        WmiQuery q;
        WmiRows* rows = untouched;
        EXPECT_EQ(q.query_smbios(smbios_properties, &rows), c.expected);
        EXPECT_EQ(rows, untouched);
    }
}

TEST_F(WmiQueryTest, SecondSecuritySetUpFailsButTheQueryStillWorks) {
    zvk_test::use_smbios_table("security", sample_table());
    on_new_thread([] {
        WmiQuery first, second;
        EXPECT_EQ(first.initialize(), 0);
        EXPECT_EQ(first.initialize(), 0); // done once per object
        EXPECT_EQ(second.initialize(), WMI_SECURITY_INIT_FAILED);
        WmiRows* rows = nullptr;
        EXPECT_EQ(second.query_smbios(smbios_properties, &rows), 0);
        EXPECT_NE(rows, nullptr);
        WmiQuery::free_rows(&rows);
        first.uninitialize();
        CoUninitialize(); // the apartment second's query left open
        CoUninitialize();
    });
}

TEST_F(WmiQueryTest, ChangedModeCountsAsSuccessAndLeavesTheApartmentAlone) {
    zvk_test::use_smbios_table("changed_mode", sample_table());
    on_new_thread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); // as a Qt GUI thread
        WmiQuery q;
        EXPECT_EQ(q.initialize(), 0);
        WmiRows* rows = nullptr;
        EXPECT_EQ(q.query_smbios(smbios_properties, &rows), 0);
        EXPECT_NE(rows, nullptr);
        WmiQuery::free_rows(&rows);
        q.uninitialize();
        // The thread's own single-threaded apartment is still there.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    });
}

TEST_F(WmiQueryTest, UnusableComFailsInitialisationAndThenTheLocator) {
    zvk_test::use_smbios_table("no_com", sample_table());
    on_new_thread([] {
        zvk_winapi::ComFaults faults;
        faults.co_initialize = true;
        faults.result = E_OUTOFMEMORY;
        zvk_winapi::set_com_faults(faults);
        WmiQuery q;
        EXPECT_EQ(q.initialize(), WMI_COM_INIT_FAILED);
        WmiRows* rows = untouched;
        EXPECT_EQ(q.query_smbios(smbios_properties, &rows), WMI_LOCATOR_FAILED);
        EXPECT_EQ(rows, untouched);
    });
}

} // namespace
