#pragma once
// The error box: modal, caption "ZELVAR Designer", error icon, OK.
#include <string>

class QWidget;

namespace zelvar {

inline constexpr const char* kAppTitle = "ZELVAR Designer";

// Shows the message (UTF-8, with the error box's full stop) and waits for OK.
void show_error_box(QWidget* parent, const std::string& message);

}  // namespace zelvar
