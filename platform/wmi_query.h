#pragma once
// One WQL query through COM, its result objects handed back as rows of C strings.
#include "zvk_windows.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

// One heap string per requested property, in the order of the properties.
typedef std::vector<char*> WmiRow;
// One row per result object, in enumeration order; released with WmiQuery::free_rows.
typedef std::vector<WmiRow*> WmiRows;

enum WmiStatus {
    WMI_COM_INIT_FAILED = 16,
    WMI_SECURITY_INIT_FAILED = 17,
    WMI_LOCATOR_FAILED = 18,
    WMI_CONNECT_FAILED = 19,
    WMI_PROXY_BLANKET_FAILED = 20,
    WMI_QUERY_FAILED = 21,
    WMI_ROW_FAILED = 23,
    WMI_NULL_PROPERTY = 25,
    WMI_NULL_CLASS = 26,
    WMI_BAD_PROPERTY_COUNT = 27,
    WMI_NO_QUERY = 28,
    WMI_NULL_CONDITION = 29,
};

// Every operation returns 0 or a WmiStatus code. The only exception that leaves is _com_error with
// E_OUTOFMEMORY, when a BSTR argument cannot be allocated.
//
// The rows are complete or absent: on success every row holds exactly one cell per property; on any
// failure no rows are handed out. A cell is text ended by a NUL, except the cell of a byte array,
// which holds the array's bytes (NULs included) and then one NUL; cell_size tells a cell's byte
// count either way.
class WmiQuery {
public:
    WmiQuery() = default;
    WmiQuery(const WmiQuery&) = delete;
    WmiQuery& operator=(const WmiQuery&) = delete;

    // The raw SMBIOS table: exactly four property names, of class "MSSmBios_RawSMBiosTables" in
    // namespace "root\WMI".
    int query_smbios(const char* const* properties, WmiRows** rows);
    // SELECT count properties FROM class WHERE condition, in the given namespace.
    int query(const char* const* properties, const char* condition, const char* class_name, int count,
              WmiRows** rows, const wchar_t* name_space);
    // Deletes every cell, every row and the vector; the caller's pointer is left as it is.
    static void free_rows(WmiRows** rows);
    // The byte count of a cell that a query handed out, without its final NUL.
    static std::size_t cell_size(const char* cell);

    // COM and COM security for the calling thread: 0, WMI_COM_INIT_FAILED or WMI_SECURITY_INIT_FAILED.
    // Once it has succeeded, later calls on this object return 0 at once.
    int initialize();
    // Undoes this object's CoInitializeEx, if it made one that needs undoing.
    void uninitialize();

    // The steps of a query, each returning its status.
    int connect(IWbemLocator* locator, const wchar_t* name_space, IWbemServices** services);
    static int build_fixed_query(const char* const* properties, std::unique_ptr<char[]>& text);
    static int build_query(const char* const* properties, const char* condition, const char* class_name,
                           int count, std::unique_ptr<char[]>& text);
    int exec_query(IWbemServices* services, const char* text, IEnumWbemClassObject** result);
    int read_rows(IEnumWbemClassObject* enumerator, const char* const* properties, int count, WmiRows** rows);

private:
    // Runs a query once its text is known (steps 2-4 and 7-9 of both forms).
    int run(const char* const* properties, int count, const wchar_t* name_space,
            const std::function<int(std::unique_ptr<char[]>&)>& build, WmiRows** rows);

    bool com_initialised = false;
    // CoInitializeEx succeeded (S_OK or S_FALSE) and so wants its CoUninitialize; an apartment that
    // the thread had already set up in the other model (RPC_E_CHANGED_MODE) belongs to someone else.
    bool com_uninitialize_owed = false;
};
