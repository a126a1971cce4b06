// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/json.h"

#include <cstdint>

#include "app/faults.h"

namespace zelvar {

const JsonValue* JsonValue::find(const std::string& key) const {
    for (const auto& [name, value] : members)
        if (name == key) return &value;
    return nullptr;
}

const char* json_type_name(JsonValue::Type type) {
    switch (type) {
        case JsonValue::Type::null:
            return "null";
        case JsonValue::Type::boolean:
            return "true or false";
        case JsonValue::Type::number:
            return "a number";
        case JsonValue::Type::string:
            return "a text";
        case JsonValue::Type::array:
            return "a list";
        case JsonValue::Type::object:
            return "an object";
    }
    return "";
}

namespace {

constexpr int kMaxDepth = 64;

class Parser {
public:
    explicit Parser(const std::string& text) : s_(text) {}

    JsonValue document() {
        skip_space();
        JsonValue v = value(0);
        skip_space();
        if (i_ != s_.size()) fail("text after the end of the document");
        return v;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        int line = 1, column = 1;
        for (std::size_t k = 0; k < i_ && k < s_.size(); ++k) {
            if (s_[k] == '\n') {
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(s_[k]) & 0xC0) != 0x80) {
                ++column;
            }
        }
        throw Error("line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what);
    }

    bool at_end() const { return i_ >= s_.size(); }
    char peek() const { return at_end() ? '\0' : s_[i_]; }

    void skip_space() {
        while (!at_end() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }

    void expect_word(const char* word) {
        for (const char* c = word; *c != '\0'; ++c) {
            if (peek() != *c) fail("not a JSON value");
            ++i_;
        }
    }

    JsonValue value(int depth) {
        if (depth > kMaxDepth) fail("nested more than 64 levels deep");
        JsonValue v;
        switch (peek()) {
            case '{':
                v.type = JsonValue::Type::object;
                object(v, depth);
                return v;
            case '[':
                v.type = JsonValue::Type::array;
                array(v, depth);
                return v;
            case '"':
                v.type = JsonValue::Type::string;
                v.text = string();
                return v;
            case 't':
                expect_word("true");
                v.type = JsonValue::Type::boolean;
                v.boolean = true;
                return v;
            case 'f':
                expect_word("false");
                v.type = JsonValue::Type::boolean;
                return v;
            case 'n':
                expect_word("null");
                return v;
            default:
                if (peek() == '-' || (peek() >= '0' && peek() <= '9')) {
                    v.type = JsonValue::Type::number;
                    v.text = number();
                    return v;
                }
                fail(at_end() ? "the document ends where a value should be" : "not a JSON value");
        }
    }

    void object(JsonValue& v, int depth) {
        ++i_;  // {
        skip_space();
        if (peek() == '}') {
            ++i_;
            return;
        }
        for (;;) {
            skip_space();
            if (peek() != '"') fail("a member's name in quotes expected");
            std::string key = string();
            skip_space();
            if (peek() != ':') fail("':' expected after a member's name");
            ++i_;
            skip_space();
            JsonValue member = value(depth + 1);
            v.members.emplace_back(std::move(key), std::move(member));
            skip_space();
            if (peek() == ',') {
                ++i_;
                continue;
            }
            if (peek() == '}') {
                ++i_;
                return;
            }
            fail("',' or '}' expected");
        }
    }

    void array(JsonValue& v, int depth) {
        ++i_;  // [
        skip_space();
        if (peek() == ']') {
            ++i_;
            return;
        }
        for (;;) {
            skip_space();
            v.items.push_back(value(depth + 1));
            skip_space();
            if (peek() == ',') {
                ++i_;
                continue;
            }
            if (peek() == ']') {
                ++i_;
                return;
            }
            fail("',' or ']' expected");
        }
    }

    static bool digit(char c) { return c >= '0' && c <= '9'; }

    std::string number() {
        const std::size_t start = i_;
        if (peek() == '-') ++i_;
        if (peek() == '0') {
            ++i_;
        } else if (digit(peek())) {
            while (digit(peek())) ++i_;
        } else {
            fail("a digit expected");
        }
        if (peek() == '.') {
            ++i_;
            if (!digit(peek())) fail("a digit expected after the full stop");
            while (digit(peek())) ++i_;
        }
        if (peek() == 'e' || peek() == 'E') {
            ++i_;
            if (peek() == '+' || peek() == '-') ++i_;
            if (!digit(peek())) fail("a digit expected in the exponent");
            while (digit(peek())) ++i_;
        }
        return s_.substr(start, i_ - start);
    }

    unsigned hex4() {
        unsigned u = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = peek();
            unsigned d;
            if (c >= '0' && c <= '9')
                d = static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                d = static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                d = static_cast<unsigned>(c - 'A' + 10);
            else
                fail("four hexadecimal digits expected after \\u");
            u = u * 16 + d;
            ++i_;
        }
        return u;
    }

    static void put_utf8(std::string& out, std::uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string string() {
        ++i_;  // "
        std::string out;
        for (;;) {
            if (at_end()) fail("a text without its closing quote");
            const unsigned char c = static_cast<unsigned char>(s_[i_]);
            if (c == '"') {
                ++i_;
                return out;
            }
            if (c < 0x20) fail("a control character inside a text");
            if (c != '\\') {
                out += static_cast<char>(c);
                ++i_;
                continue;
            }
            ++i_;
            const char e = peek();
            ++i_;
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    std::uint32_t cp = hex4();
                    if (cp >= 0xD800 && cp <= 0xDBFF) {
                        if (peek() != '\\') fail("a lone surrogate in \\u");
                        ++i_;
                        if (peek() != 'u') fail("a lone surrogate in \\u");
                        ++i_;
                        const std::uint32_t low = hex4();
                        if (low < 0xDC00 || low > 0xDFFF) fail("a lone surrogate in \\u");
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                        fail("a lone surrogate in \\u");
                    }
                    put_utf8(out, cp);
                    break;
                }
                default:
                    --i_;
                    fail("an unknown escape after a backslash");
            }
        }
    }

    const std::string& s_;
    std::size_t i_ = 0;
};

}  // namespace

JsonValue parse_json(const std::string& text) { return Parser(text).document(); }

std::string json_quote(const std::string& utf8) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char ch : utf8) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

}  // namespace zelvar
