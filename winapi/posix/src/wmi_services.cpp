// The WMI objects: locator, services of "root\WMI", the forward-only enumerator and the result
// objects.
#include "com_internal.h"
#include "wmi_model.h"
#include "wql.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace zvk_winapi {
namespace {

std::wstring from_bstr(BSTR s) {
    return s ? std::wstring(s, SysStringLen(s)) : std::wstring();
}

CIMTYPE cim_type_of(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
        return CIM_SINT8;
    case VT_UI1:
        return CIM_UINT8;
    case VT_I2:
        return CIM_SINT16;
    case VT_UI2:
        return CIM_UINT16;
    case VT_I4:
        return CIM_SINT32;
    case VT_UI4:
        return CIM_UINT32;
    case VT_I8:
        return CIM_SINT64;
    case VT_UI8:
        return CIM_UINT64;
    case VT_BOOL:
        return CIM_BOOLEAN;
    case VT_BSTR:
        return CIM_STRING;
    case VT_ARRAY | VT_UI1:
        return CIM_FLAG_ARRAY | CIM_UINT8;
    default:
        return CIM_EMPTY;
    }
}

// The value as a VARIANT the caller owns; false when memory ran out.
bool to_variant(const WmiProperty& p, VARIANT* v) {
    VariantInit(v);
    switch (p.type) {
    case VT_BSTR:
        if (p.text.size() > 0xFFFFFFFFu / sizeof(OLECHAR))
            return false;
        v->bstrVal = SysAllocStringLen(p.text.data(), UINT(p.text.size()));
        if (!v->bstrVal)
            return false;
        break;
    case VT_ARRAY | VT_UI1: {
        if (p.bytes.size() > 0xFFFFFFFFu)
            return false;
        v->parray = SafeArrayCreateVector(VT_UI1, 0, ULONG(p.bytes.size()));
        if (!v->parray)
            return false;
        if (!p.bytes.empty())
            std::memcpy(v->parray->pvData, p.bytes.data(), p.bytes.size());
        break;
    }
    case VT_BOOL:
        v->boolVal = p.number ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case VT_I1:
        v->cVal = CHAR(p.number);
        break;
    case VT_UI1:
        v->bVal = BYTE(p.number);
        break;
    case VT_I2:
        v->iVal = SHORT(p.number);
        break;
    case VT_UI2:
        v->uiVal = USHORT(p.number);
        break;
    case VT_I4:
        v->lVal = LONG(p.number);
        break;
    case VT_UI4:
        v->ulVal = ULONG(p.number);
        break;
    case VT_R8:
        v->dblVal = double(p.number);
        break;
    case VT_EMPTY:
    case VT_NULL:
        break;
    default:
        v->llVal = p.number;
        break;
    }
    v->vt = p.type;
    return true;
}

class ClassObject final : public ComObject<IWbemClassObject> {
public:
    explicit ClassObject(WmiInstance properties) : properties_(std::move(properties)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return query(riid, IID_IWbemClassObject, object);
    }

    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE* type, LONG* flavor) override {
        if (!name)
            return WBEM_E_INVALID_PARAMETER;
        const ComFaults faults = com_faults();
        if (!faults.failing_property.empty() && same_name(faults.failing_property, name))
            return faults.result;
        const WmiProperty* p = find_property(properties_, name);
        if (!p)
            return WBEM_E_NOT_FOUND;
        if (value && !to_variant(*p, value))
            return E_OUTOFMEMORY;
        if (type)
            *type = cim_type_of(p->type);
        if (flavor)
            *flavor = 0;
        return WBEM_S_NO_ERROR;
    }

private:
    WmiInstance properties_;
};

class Enumerator final : public ComObject<IEnumWbemClassObject> {
public:
    explicit Enumerator(std::vector<IWbemClassObject*> objects) : objects_(std::move(objects)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return query(riid, IID_IEnumWbemClassObject, object);
    }

    HRESULT STDMETHODCALLTYPE Next(LONG, ULONG count, IWbemClassObject** objects, ULONG* returned) override {
        if (!objects || !returned)
            return WBEM_E_INVALID_PARAMETER;
        ULONG n = 0;
        while (n < count && next_ < objects_.size()) {
            objects[n++] = objects_[next_];
            objects_[next_++] = nullptr; // the reference goes to the caller
        }
        *returned = n;
        return n == count ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
    }

protected:
    ~Enumerator() override {
        for (auto* o : objects_)
            if (o)
                o->Release();
    }

private:
    std::vector<IWbemClassObject*> objects_;
    std::size_t next_ = 0;
};

class Services final : public ComObject<IWbemServices> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return query(riid, IID_IWbemServices, object);
    }

    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR language, const BSTR text, LONG, IWbemContext*,
                                        IEnumWbemClassObject** result) override {
        if (!result)
            return WBEM_E_INVALID_PARAMETER;
        *result = nullptr;
        const ComFaults faults = com_faults();
        if (faults.exec_query)
            return faults.result;
        if (!same_name(from_bstr(language), L"WQL"))
            return WBEM_E_INVALID_QUERY_TYPE;
        if (!text)
            return WBEM_E_INVALID_PARAMETER;
        WqlQuery q;
        if (!parse_wql(from_bstr(text), q))
            return WBEM_E_INVALID_QUERY;
        WmiClassSnapshot cls;
        if (!snapshot_wmi_class(q.class_name, cls))
            return WBEM_E_INVALID_CLASS;
        HRESULT checked = check_wql(q, cls);
        if (FAILED(checked))
            return checked;

        std::vector<IWbemClassObject*> objects;
        if (faults.null_object)
            objects.push_back(nullptr);
        for (const auto& instance : cls.instances) {
            if (!wql_matches(q, instance))
                continue;
            WmiInstance selected;
            for (const auto& p : instance) {
                bool wanted = q.all_properties;
                for (const auto& name : q.properties)
                    wanted = wanted || same_name(name, p.name);
                if (wanted)
                    selected.push_back(p);
            }
            objects.push_back(new ClassObject(std::move(selected)));
        }
        *result = new Enumerator(std::move(objects));
        return WBEM_S_NO_ERROR;
    }
};

class Locator final : public ComObject<IWbemLocator> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return query(riid, IID_IWbemLocator, object);
    }

    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR network_resource, const BSTR, const BSTR, const BSTR,
                                            LONG, const BSTR, IWbemContext*,
                                            IWbemServices** services) override {
        if (!services)
            return WBEM_E_INVALID_PARAMETER;
        *services = nullptr;
        const ComFaults faults = com_faults();
        if (faults.connect_server)
            return faults.result;
        if (!same_name(from_bstr(network_resource), L"root\\WMI"))
            return WBEM_E_INVALID_NAMESPACE;
        *services = new Services();
        return WBEM_S_NO_ERROR;
    }
};

} // namespace

HRESULT create_wbem_locator(REFIID riid, void** object) {
    auto* locator = new (std::nothrow) Locator();
    if (!locator)
        return E_OUTOFMEMORY;
    HRESULT hr = locator->QueryInterface(riid, object);
    locator->Release();
    return hr;
}

} // namespace zvk_winapi
