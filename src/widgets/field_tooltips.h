// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tooltip of every numeric field of the windows: the quantity it holds
// and its unit, the captions beside the fields being short.  Each ends in
// "Unit: " and the unit's symbol (or "none" and what the number is).
#include <string>

namespace zelvar {

// The tooltip of field `field` (object name) in window `window` (object
// name), UTF-8; nullptr for a field the table does not know.
const char* field_tooltip(const std::string& window, const std::string& field);

}  // namespace zelvar
