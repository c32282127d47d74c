#include "wql.h"

#include <cerrno>
#include <cwchar>

namespace zvk_winapi {
namespace {

struct Token {
    enum class Type { Word, Number, String, Symbol, End } type = Type::End;
    std::wstring text;
    long long number = 0;
};

bool is_word_start(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_';
}
bool is_digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}
bool is_space(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

bool tokenize(const std::wstring& s, std::vector<Token>& out) {
    std::size_t i = 0;
    while (true) {
        while (i < s.size() && is_space(s[i]))
            ++i;
        if (i >= s.size())
            break;
        Token t;
        const wchar_t c = s[i];
        if (is_word_start(c)) {
            t.type = Token::Type::Word;
            while (i < s.size() && (is_word_start(s[i]) || is_digit(s[i])))
                t.text += s[i++];
        } else if (is_digit(c) || (c == L'-' && i + 1 < s.size() && is_digit(s[i + 1]))) {
            t.type = Token::Type::Number;
            std::size_t start = i++;
            while (i < s.size() && is_digit(s[i]))
                ++i;
            t.text = s.substr(start, i - start);
            errno = 0;
            t.number = std::wcstoll(t.text.c_str(), nullptr, 10);
            if (errno == ERANGE)
                return false;
        } else if (c == L'\'' || c == L'"') {
            t.type = Token::Type::String;
            ++i;
            bool closed = false;
            while (i < s.size()) {
                if (s[i] == L'\\' && i + 1 < s.size()) {
                    t.text += s[i + 1];
                    i += 2;
                } else if (s[i] == c) {
                    ++i;
                    closed = true;
                    break;
                } else {
                    t.text += s[i++];
                }
            }
            if (!closed)
                return false;
        } else {
            t.type = Token::Type::Symbol;
            static const wchar_t* const pairs[] = {L"<>", L"!=", L"<=", L">="};
            for (const wchar_t* p : pairs)
                if (s.compare(i, 2, p) == 0)
                    t.text = p;
            if (t.text.empty()) {
                if (c != L',' && c != L'*' && c != L'=' && c != L'<' && c != L'>')
                    return false;
                t.text = std::wstring(1, c);
            }
            i += t.text.size();
        }
        out.push_back(t);
    }
    out.push_back(Token{});
    return true;
}

class Parser {
public:
    explicit Parser(const std::vector<Token>& tokens) : t(tokens) {}

    bool parse(WqlQuery& q) {
        if (!keyword(L"SELECT"))
            return false;
        if (symbol(L"*")) {
            q.all_properties = true;
        } else {
            do {
                if (!word_not_keyword())
                    return false;
                q.properties.push_back(t[pos++].text);
            } while (symbol(L","));
        }
        if (!keyword(L"FROM") || !word_not_keyword())
            return false;
        q.class_name = t[pos++].text;
        if (keyword(L"WHERE")) {
            do {
                std::vector<WqlComparison> all_of;
                do {
                    WqlComparison c;
                    if (!comparison(c))
                        return false;
                    all_of.push_back(c);
                } while (keyword(L"AND"));
                q.condition.push_back(all_of);
            } while (keyword(L"OR"));
        }
        return t[pos].type == Token::Type::End;
    }

private:
    bool is_keyword(const Token& token) const {
        static const wchar_t* const words[] = {L"SELECT", L"FROM", L"WHERE", L"AND", L"OR"};
        if (token.type != Token::Type::Word)
            return false;
        for (const wchar_t* w : words)
            if (same_name(token.text, w))
                return true;
        return false;
    }
    bool keyword(const wchar_t* word) {
        if (t[pos].type == Token::Type::Word && same_name(t[pos].text, word)) {
            ++pos;
            return true;
        }
        return false;
    }
    bool symbol(const wchar_t* s) {
        if (t[pos].type == Token::Type::Symbol && t[pos].text == s) {
            ++pos;
            return true;
        }
        return false;
    }
    bool word_not_keyword() const { return t[pos].type == Token::Type::Word && !is_keyword(t[pos]); }

    bool comparison(WqlComparison& c) {
        if (!word_not_keyword())
            return false;
        c.property = t[pos++].text;
        if (t[pos].type != Token::Type::Symbol)
            return false;
        const std::wstring& op = t[pos].text;
        if (op == L"=")
            c.op = WqlComparison::Op::Equal;
        else if (op == L"<>" || op == L"!=")
            c.op = WqlComparison::Op::NotEqual;
        else if (op == L"<")
            c.op = WqlComparison::Op::Less;
        else if (op == L"<=")
            c.op = WqlComparison::Op::LessEqual;
        else if (op == L">")
            c.op = WqlComparison::Op::Greater;
        else if (op == L">=")
            c.op = WqlComparison::Op::GreaterEqual;
        else
            return false;
        ++pos;
        const Token& value = t[pos];
        if (value.type == Token::Type::Number) {
            c.kind = WqlComparison::Kind::Number;
            c.number = value.number;
        } else if (value.type == Token::Type::String) {
            c.kind = WqlComparison::Kind::String;
            c.text = value.text;
        } else if (value.type == Token::Type::Word &&
                   (same_name(value.text, L"TRUE") || same_name(value.text, L"FALSE"))) {
            c.kind = WqlComparison::Kind::Boolean;
            c.number = same_name(value.text, L"TRUE") ? 1 : 0;
        } else {
            return false;
        }
        ++pos;
        return true;
    }

    const std::vector<Token>& t;
    std::size_t pos = 0;
};

bool is_integer_type(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
        return true;
    default:
        return false;
    }
}

bool suits(const WqlComparison& c, VARTYPE vt) {
    switch (c.kind) {
    case WqlComparison::Kind::Number:
        return is_integer_type(vt);
    case WqlComparison::Kind::String:
        return vt == VT_BSTR;
    case WqlComparison::Kind::Boolean:
        return vt == VT_BOOL && (c.op == WqlComparison::Op::Equal || c.op == WqlComparison::Op::NotEqual);
    }
    return false;
}

template <class T> bool compare(WqlComparison::Op op, const T& a, const T& b) {
    switch (op) {
    case WqlComparison::Op::Equal:
        return a == b;
    case WqlComparison::Op::NotEqual:
        return !(a == b);
    case WqlComparison::Op::Less:
        return a < b;
    case WqlComparison::Op::LessEqual:
        return !(b < a);
    case WqlComparison::Op::Greater:
        return b < a;
    case WqlComparison::Op::GreaterEqual:
        return !(a < b);
    }
    return false;
}

// WQL compares strings without regard to case.
std::wstring folded(const std::wstring& s) {
    std::wstring r = s;
    for (auto& c : r)
        if (c >= L'A' && c <= L'Z')
            c = wchar_t(c + (L'a' - L'A'));
    return r;
}

bool holds(const WqlComparison& c, const WmiInstance& instance) {
    const WmiProperty* p = find_property(instance, c.property);
    if (!p || !suits(c, p->type))
        return false;
    if (c.kind == WqlComparison::Kind::String)
        return compare(c.op, folded(p->text), folded(c.text));
    if (c.kind == WqlComparison::Kind::Boolean)
        return compare(c.op, p->number != 0, c.number != 0);
    return compare(c.op, p->number, c.number);
}

} // namespace

bool parse_wql(const std::wstring& text, WqlQuery& out) {
    std::vector<Token> tokens;
    if (!tokenize(text, tokens))
        return false;
    WqlQuery q;
    if (!Parser(tokens).parse(q))
        return false;
    out = q;
    return true;
}

HRESULT check_wql(const WqlQuery& query, const WmiClassSnapshot& cls) {
    auto known = [&](const std::wstring& name) {
        for (const auto& p : cls.properties)
            if (same_name(p, name))
                return true;
        return false;
    };
    for (const auto& name : query.properties)
        if (!known(name))
            return WBEM_E_INVALID_QUERY;
    for (const auto& all_of : query.condition)
        for (const auto& c : all_of) {
            if (!known(c.property))
                return WBEM_E_INVALID_QUERY;
            for (const auto& instance : cls.instances) {
                const WmiProperty* p = find_property(instance, c.property);
                if (p && !suits(c, p->type))
                    return WBEM_E_INVALID_QUERY;
            }
        }
    return WBEM_S_NO_ERROR;
}

bool wql_matches(const WqlQuery& query, const WmiInstance& instance) {
    if (query.condition.empty())
        return true;
    for (const auto& all_of : query.condition) {
        bool ok = true;
        for (const auto& c : all_of)
            ok = ok && holds(c, instance);
        if (ok)
            return true;
    }
    return false;
}

} // namespace zvk_winapi
