#pragma once
// Program-wide pieces of the application object: its title and the standard exception message box,
// which both the entry point and the event handlers use.
#include <QString>
#include <exception>
#include <functional>
#include <utility>

void set_application_title(const QString& title);
QString application_title();

// The text of an exception's message; an 8-bit message that is not UTF-8 is read as CP1251.
QString exception_message(const std::exception& e);

// Shows a message modally in the standard exception box (critical icon, the application title as caption).
void show_exception(const QString& message);

// Runs an event handler; an exception it throws is shown in the exception box and the program goes on, instead
// of unwinding through the event loop (which Qt does not support).
void run_guarded(const std::function<void()>& handler);

// The same as a slot that takes no arguments (a signal's arguments are dropped).
template <class Handler> auto guarded(Handler handler) {
    return [handler = std::move(handler)]() { run_guarded(handler); };
}
