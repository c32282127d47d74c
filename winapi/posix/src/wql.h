#pragma once
// The part of WQL the stand-in understands:
//   SELECT * | property [, property ...] FROM class [WHERE condition]
// where the condition is comparisons `property op literal` (op one of = <> != < <= > >=; literal a
// decimal integer, a string in single or double quotes, TRUE or FALSE) joined by AND and OR (AND
// binds tighter). Keywords are matched without regard to case.
#include "wmi_model.h"

#include <string>
#include <vector>

namespace zvk_winapi {

struct WqlComparison {
    enum class Op { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };
    enum class Kind { Number, String, Boolean };
    std::wstring property;
    Op op = Op::Equal;
    Kind kind = Kind::Number;
    long long number = 0; // Number and Boolean (1 or 0)
    std::wstring text;    // String
};

struct WqlQuery {
    bool all_properties = false;
    std::vector<std::wstring> properties;
    std::wstring class_name;
    // OR of ANDs; empty without WHERE.
    std::vector<std::vector<WqlComparison>> condition;
};

// False when the text is not a query of this form.
bool parse_wql(const std::wstring& text, WqlQuery& out);

// Checks the query against the class: WBEM_S_NO_ERROR, or WBEM_E_INVALID_QUERY for a property the
// class lacks or a comparison that does not suit the property's type.
HRESULT check_wql(const WqlQuery& query, const WmiClassSnapshot& cls);

// Whether an instance satisfies the query's condition.
bool wql_matches(const WqlQuery& query, const WmiInstance& instance);

} // namespace zvk_winapi
