// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small JSON reader and writer for the project file (RFC 8259).  Numbers
// keep their text as written, so that the reader of a value converts it with
// the program's own 80-bit number parser; nothing goes through a double.
#include <string>
#include <utility>
#include <vector>

namespace zelvar {

struct JsonValue {
    enum class Type { null, boolean, number, string, array, object };
    Type type = Type::null;
    bool boolean = false;
    std::string text;  // number: its text as written; string: its UTF-8 contents
    std::vector<JsonValue> items;                             // array
    std::vector<std::pair<std::string, JsonValue>> members;  // object, in the file's order

    // The member of an object named `key` (the first one), nullptr when none.
    const JsonValue* find(const std::string& key) const;
};

// "null", "true or false", "a number", "a text", "a list", "an object".
const char* json_type_name(JsonValue::Type type);

// Parses a whole document (UTF-8).  A text that is not JSON raises
// zelvar::Error "line L, column C: <what>"; nesting deeper than 64 levels is
// refused the same way.
JsonValue parse_json(const std::string& text);

// A JSON string literal of UTF-8 text, with its quotes.
std::string json_quote(const std::string& utf8);

}  // namespace zelvar
