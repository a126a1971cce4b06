// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The error box: modal, caption "ZELVAR Designer", error icon, OK.
#include <exception>
#include <string>

class QWidget;

namespace zelvar {

inline constexpr const char* kAppTitle = "ZELVAR Designer";

// Shows the message (UTF-8, with the error box's full stop) and waits for OK.
void show_error_box(QWidget* parent, const std::string& message);

// Runs the body of an event handler: an error that stops it is shown in the
// error box (owned by `owner`) and goes no further; what the body did before
// the error stays done.  Returns false when the body was stopped.
template <class Body>
bool run_guarded(QWidget* owner, Body&& body) {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        show_error_box(owner, e.what());
    } catch (...) {
        show_error_box(owner, "Unknown error");
    }
    return false;
}

}  // namespace zelvar
