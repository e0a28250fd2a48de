// A pop-up form: a borderless top-level window that opens at a screen point, unrolls downward in
// steps, and hides as soon as it loses activation. Opening code may wait for it to hide in a nested
// event loop; that wait never outlives the form or the application.
#pragma once

#include "gui/FormBase.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

namespace gui {

// The top-left corner for a window of `size` wanted at `wanted`, moved just enough to lie inside
// `area` (an edge that cannot fit keeps the area's left or top edge).
QPoint fit_into(QPoint wanted, QSize size, const QRect& area);

class PopupForm : public DialogForm {
    Q_OBJECT
public:
    explicit PopupForm(QWidget* owner = nullptr);

    // The size the form has when fully open (its client area as designed).
    void set_full_size(int width, int height);
    QSize full_size() const { return full_size_; }

    // Moves the form's top-left corner to the screen point, kept inside that screen's available area.
    void place_at(QPoint screen_point);
    // Shows the form at height 0 and grows it: for step = first..last the height becomes
    // full height * step / 10, painted at once, then a 10 ms pause in which the window system's events
    // (not the user's) are processed; finally the full height. False when the form was destroyed meanwhile.
    bool unroll(int first_step, int last_step);

    // Sleeps 20 ms and processes events until the form is hidden. Also ends when the form is destroyed
    // or the application is quitting (the form is then closed), so a pop-up never holds up an exit.
    // Returns false if the form was destroyed meanwhile.
    static bool wait_until_hidden(PopupForm* form);

    // Every height set while unrolling, for whoever wants to watch it grow.
    std::function<void(int height)> OnUnrollStep;

protected:
    // Called when the visible form loses activation (the user clicked elsewhere).
    virtual void FormDeactivate() = 0;
    bool event(QEvent* event) override;

private:
    void set_height(int height);
    static void pause_between_steps();

    QSize full_size_;
};

} // namespace gui
