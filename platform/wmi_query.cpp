#include "wmi_query.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>
#include <string>

namespace {

constexpr std::size_t max_name_chars = 50;
constexpr std::size_t max_condition_chars = 500;
constexpr std::size_t max_text_wide_chars = 500;

const char* const smbios_class = "MSSmBios_RawSMBiosTables";
const wchar_t* const smbios_namespace = L"root\\WMI";

// Holds one reference to a COM object and releases it.
template <class T> class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { reset(); }
    void reset() {
        if (object)
            object->Release();
        object = nullptr;
    }
    T* get() const { return object; }
    T** put() {
        reset();
        return &object;
    }
    explicit operator bool() const { return object != nullptr; }

private:
    T* object = nullptr;
};

// A BSTR argument; null in, null out. The compiler's COM support raises _com_error when it cannot
// allocate one, and so does this.
class ScopedBstr {
public:
    explicit ScopedBstr(const wchar_t* text) {
        if (!text)
            return;
        value = SysAllocString(text);
        if (!value)
            throw _com_error(E_OUTOFMEMORY);
    }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { SysFreeString(value); }
    BSTR get() const { return value; }

private:
    BSTR value = nullptr;
};

class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&value); }
    VARIANT* get() { return &value; }

private:
    VARIANT value;
};

// 8-bit text (the C runtime's locale) to wide text, at most `max_chars` characters; false when a
// character does not convert.
bool to_wide(const char* text, std::size_t max_chars, std::wstring& out) {
    std::size_t needed = 0;
    if (mbstowcs_s(&needed, nullptr, 0, text, _TRUNCATE) != 0 || needed == 0)
        return false;
    if (max_chars != _TRUNCATE && needed > max_chars + 1)
        needed = max_chars + 1;
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[needed]);
    std::size_t converted = 0;
    if (mbstowcs_s(&converted, buffer.get(), needed, text, max_chars) != 0)
        return false;
    out.assign(buffer.get(), converted ? converted - 1 : 0);
    return true;
}

// A cell: its byte count, then the bytes and a NUL. The count sits in front of the text so that a
// cell stays a plain C string for its reader.
constexpr std::size_t cell_header = sizeof(std::uint64_t);

char* make_cell(const char* bytes, std::size_t count) {
    char* block = new char[cell_header + count + 1];
    const std::uint64_t size = count;
    std::memcpy(block, &size, sizeof size);
    if (count)
        std::memcpy(block + cell_header, bytes, count);
    block[cell_header + count] = '\0';
    return block + cell_header;
}

void delete_cell(char* cell) {
    if (cell)
        delete[](cell - cell_header);
}

template <class Number> std::string number_text(Number value) {
    std::stringstream stream;
    stream << value;
    std::string word;
    stream >> word;
    return word;
}

// The cell text of one property value, by its VARIANT type; false when the value cannot be read.
bool cell_text(VARIANT& v, std::string& out) {
    switch (v.vt) {
    case VT_I4:
        out = number_text(static_cast<long>(v.lVal));
        return true;
    case VT_I1:
    case VT_UI1:
        out = number_text(static_cast<unsigned>(static_cast<unsigned char>(v.bVal)));
        return true;
    case VT_UI2:
        out = number_text(static_cast<unsigned>(v.uiVal));
        return true;
    case VT_BSTR: {
        out.clear();
        if (!v.bstrVal)
            return true;
        std::size_t length = SysStringLen(v.bstrVal);
        if (length > max_text_wide_chars)
            length = max_text_wide_chars;
        std::wstring wide(v.bstrVal, length);
        const std::size_t room = wide.size() * MB_CUR_MAX + 1;
        std::unique_ptr<char[]> buffer(new char[room]);
        std::size_t converted = 0;
        // A character the locale cannot represent leaves the buffer empty, as Windows does.
        wcstombs_s(&converted, buffer.get(), room, wide.c_str(), _TRUNCATE);
        out = buffer.get();
        return true;
    }
    case VT_ARRAY | VT_UI1: {
        SAFEARRAY* array = v.parray;
        LONG lower = 0, upper = -1;
        if (!array || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
            FAILED(SafeArrayGetUBound(array, 1, &upper)))
            return false;
        const std::int64_t count = std::int64_t(upper) - std::int64_t(lower) + 1;
        out.clear();
        if (count <= 0)
            return true;
        void* data = nullptr;
        if (FAILED(SafeArrayAccessData(array, &data)) || !data)
            return false;
        out.assign(static_cast<const char*>(data), std::size_t(count));
        SafeArrayUnaccessData(array);
        return true;
    }
    default:
        out.clear();
        return true;
    }
}

// Copies at most `max` characters of a name that is known not to be null.
std::size_t cut(const char* text, std::size_t max) {
    return strnlen(text, max);
}

int finish_text(const std::string& text, std::unique_ptr<char[]>& out) {
    char* buffer = new (std::nothrow) char[text.size() + 1];
    if (!buffer)
        return WMI_NO_QUERY;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    out.reset(buffer);
    return 0;
}

void append_select_list(std::string& text, const char* const* properties, int count) {
    text = "SELECT ";
    for (int i = 0; i < count; ++i) {
        if (i)
            text += ", ";
        text.append(properties[i], cut(properties[i], max_name_chars));
    }
    text += " FROM ";
}

} // namespace

// ---- set-up --------------------------------------------------------------------------------------

int WmiQuery::initialize() {
    if (com_initialised)
        return 0;
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr) && hr != RPC_E_CHANGED_MODE)
        return WMI_COM_INIT_FAILED;
    if (SUCCEEDED(hr))
        com_uninitialize_owed = true;
    hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                              RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(hr))
        return WMI_SECURITY_INIT_FAILED;
    com_initialised = true;
    return 0;
}

void WmiQuery::uninitialize() {
    if (!com_initialised)
        return;
    if (com_uninitialize_owed)
        CoUninitialize();
    com_initialised = false;
    com_uninitialize_owed = false;
}

// ---- the queries ------------------------------------------------------------------------------------

int WmiQuery::query_smbios(const char* const* properties, WmiRows** rows) {
    return run(
        properties, 4, smbios_namespace,
        [properties](std::unique_ptr<char[]>& text) { return build_fixed_query(properties, text); }, rows);
}

int WmiQuery::query(const char* const* properties, const char* condition, const char* class_name, int count,
                    WmiRows** rows, const wchar_t* name_space) {
    return run(
        properties, count, name_space,
        [&](std::unique_ptr<char[]>& text) {
            return build_query(properties, condition, class_name, count, text);
        },
        rows);
}

int WmiQuery::run(const char* const* properties, int count, const wchar_t* name_space,
                  const std::function<int(std::unique_ptr<char[]>&)>& build, WmiRows** rows) {
    // A failed set-up does not stop the query: security may already be set up in the process, and
    // when COM itself is unusable the locator fails next.
    initialize();

    ComRef<IWbemLocator> locator;
    HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                  reinterpret_cast<void**>(locator.put()));
    if (FAILED(hr) || !locator)
        return WMI_LOCATOR_FAILED;

    ComRef<IWbemServices> services;
    int status = connect(locator.get(), name_space, services.put());
    if (status)
        return status;

    hr = CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                           RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(hr))
        return WMI_PROXY_BLANKET_FAILED;

    if (!properties)
        return WMI_NULL_PROPERTY;
    std::unique_ptr<char[]> text;
    status = build(text);
    if (status)
        return status;

    ComRef<IEnumWbemClassObject> enumerator;
    status = exec_query(services.get(), text.get(), enumerator.put());
    if (status)
        return status;
    return read_rows(enumerator.get(), properties, count, rows);
}

int WmiQuery::connect(IWbemLocator* locator, const wchar_t* name_space, IWbemServices** services) {
    if (!locator || !services)
        return WMI_CONNECT_FAILED;
    *services = nullptr;
    ScopedBstr resource(name_space);
    HRESULT hr =
        locator->ConnectServer(resource.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services);
    if (FAILED(hr) || !*services) {
        if (*services)
            (*services)->Release();
        *services = nullptr;
        return WMI_CONNECT_FAILED;
    }
    return 0;
}

int WmiQuery::build_fixed_query(const char* const* properties, std::unique_ptr<char[]>& text) {
    if (!properties)
        return WMI_NULL_PROPERTY;
    for (int i = 0; i < 4; ++i)
        if (!properties[i])
            return WMI_NULL_PROPERTY;
    std::string query;
    append_select_list(query, properties, 4);
    query += smbios_class;
    return finish_text(query, text);
}

int WmiQuery::build_query(const char* const* properties, const char* condition, const char* class_name,
                          int count, std::unique_ptr<char[]>& text) {
    if (count <= 0)
        return WMI_BAD_PROPERTY_COUNT;
    if (!condition)
        return WMI_NULL_CONDITION;
    if (!properties)
        return WMI_NULL_PROPERTY;
    for (int i = 0; i < count; ++i)
        if (!properties[i])
            return WMI_NULL_PROPERTY;
    if (!class_name)
        return WMI_NULL_CLASS;
    std::string query;
    append_select_list(query, properties, count);
    query.append(class_name, cut(class_name, max_name_chars));
    query += " WHERE ";
    query.append(condition, cut(condition, max_condition_chars));
    return finish_text(query, text);
}

int WmiQuery::exec_query(IWbemServices* services, const char* text, IEnumWbemClassObject** result) {
    if (!text || !*text)
        return WMI_NO_QUERY;
    if (!services || !result)
        return WMI_QUERY_FAILED;
    *result = nullptr;
    std::wstring wide_text;
    if (!to_wide(text, _TRUNCATE, wide_text))
        return WMI_NO_QUERY;
    ScopedBstr language(L"WQL");
    ScopedBstr query(wide_text.c_str());
    HRESULT hr = services->ExecQuery(language.get(), query.get(),
                                     WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, result);
    if (FAILED(hr) || !*result) {
        if (*result)
            (*result)->Release();
        *result = nullptr;
        return WMI_QUERY_FAILED;
    }
    return 0;
}

int WmiQuery::read_rows(IEnumWbemClassObject* enumerator, const char* const* properties, int count,
                        WmiRows** rows) {
    if (!enumerator)
        return WMI_QUERY_FAILED;
    if (!properties)
        return WMI_NULL_PROPERTY;
    // The names as Get wants them, cut as in the query text.
    std::vector<std::wstring> names(count > 0 ? std::size_t(count) : 0);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (!properties[i] || !to_wide(properties[i], max_name_chars, names[i]))
            names[i].clear(); // Get of an empty name fails: the row is incomplete

    WmiRows* result = nullptr;
    int status = 0;
    while (true) {
        IWbemClassObject* raw = nullptr;
        ULONG returned = 0;
        enumerator->Next(static_cast<LONG>(WBEM_INFINITE), 1, &raw, &returned);
        if (returned == 0)
            break;
        ComRef<IWbemClassObject> object;
        *object.put() = raw;
        if (!result)
            result = new WmiRows();
        result->push_back(new WmiRow());
        WmiRow& row = *result->back();
        if (!object) {
            status = WMI_ROW_FAILED;
            continue;
        }
        for (const std::wstring& name : names) {
            ScopedVariant value;
            HRESULT hr = object.get()->Get(name.c_str(), 0, value.get(), nullptr, nullptr);
            std::string text;
            if (FAILED(hr) || !cell_text(*value.get(), text)) {
                status = WMI_ROW_FAILED;
                continue;
            }
            row.push_back(make_cell(text.data(), text.size()));
        }
    }
    if (status != 0 || !rows) {
        free_rows(&result);
        return status;
    }
    *rows = result;
    return 0;
}

void WmiQuery::free_rows(WmiRows** rows) {
    if (!rows || !*rows)
        return;
    for (WmiRow* row : **rows) {
        if (!row)
            continue;
        for (char* cell : *row)
            delete_cell(cell);
        delete row;
    }
    delete *rows;
}

std::size_t WmiQuery::cell_size(const char* cell) {
    if (!cell)
        return 0;
    std::uint64_t size = 0;
    std::memcpy(&size, cell - cell_header, sizeof size);
    return std::size_t(size);
}
