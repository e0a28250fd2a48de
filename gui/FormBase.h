// Form base: the behaviour every window of the program shares on top of QDialog / QMainWindow.
//
//  * Modal result with the classic numbers (1 OK, 2 Cancel, ...). Setting a non-zero result on a
//    dialog shown with ShowModal() ends its modal loop; ShowModal() returns the result.
//  * Close action: closeEvent() asks the virtual FormClose(action) hook what closing means
//    (nothing, hide, free, minimise) before it happens.
//  * Dialog keys: Enter and Escape typed anywhere in a form are first offered to every control of
//    the form that implements DialogKeyTarget (depth first, in child order), then handled normally
//    by the focused control.
//  * Design sizes: layouts are written in pixels at 120 pixels per inch and scaled by the screen's
//    logical dpi / 120 (design_px).
#pragma once

#include <QDialog>
#include <QMainWindow>

class QCloseEvent;
class QKeyEvent;

namespace gui {

enum ModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
};

// What closing a form does; FormClose may change the proposed action.
enum class CloseAction {
    None,     // the close is refused, the form stays
    Hide,     // the form is hidden (the default)
    Free,     // the form closes for good: the main form ends the application, another form is deleted later
    Minimize, // the form is minimised instead
};

// Key codes of the two dialog keys.
constexpr int key_return = 13;
constexpr int key_escape = 27;

// A control that wants to see the dialog keys of its form.
class DialogKeyTarget {
public:
    virtual ~DialogKeyTarget() = default;
    // Return true to consume the key: no further control sees it and normal handling is skipped.
    virtual bool dialog_key(int key) = 0;
};

// Logical dpi of the primary screen (96 when there is none).
double screen_logical_dpi();
// A length designed at 120 pixels per inch, scaled to the screen (rounded to nearest).
int design_px(int px_at_120);
// Places a widget by its design values at 120 ppi.
void set_design_geometry(QWidget* widget, int left, int top, int width, int height);

// A fixed-size dialog offers neither minimise nor maximise on an X11 desktop. The window flags and a fixed size
// remove the maximise button, but openbox ignores what the Motif hints say of minimising and takes its minimise
// button from the window's type alone: the window says it is a toolbar as well as a dialog, which removes the
// button there and changes nothing else of the frame. Called after the flags are set; elsewhere it does nothing.
void offer_no_minimise(QWidget* window);

class Form {
public:
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    QWidget* form_widget() const { return widget_; }

    int ModalResult() const { return modal_result_; }
    // Stores the result; on a form in its modal loop a non-zero result closes it.
    virtual void SetModalResult(int result);

    // Called when the form is about to close; `action` holds the proposed action.
    virtual void FormClose(CloseAction& action) { (void)action; }

    // The application's main form: closing it with CloseAction::Free quits the event loop
    // instead of deleting it (its owner, usually main(), destroys it).
    void set_main_form(bool main_form) { main_form_ = main_form; }
    bool is_main_form() const { return main_form_; }

    // Offers a dialog key to every DialogKeyTarget inside the form; true if one consumed it.
    bool offer_dialog_key(int key);

protected:
    explicit Form(QWidget* widget);
    // Runs FormClose and carries out the action on a close event; false if the form stays.
    bool handle_close(QCloseEvent* event);
    int modal_result_ = mrNone;

private:
    QWidget* widget_;
    bool main_form_ = false;
};

// The first form enclosing a widget (its parent chain, the widget itself excluded), or nullptr.
Form* enclosing_form(const QWidget* widget);

class DialogForm : public QDialog, public Form {
    Q_OBJECT
public:
    explicit DialogForm(QWidget* owner = nullptr);

    // Shows the form modally until its modal result becomes non-zero; returns that result.
    // Closing the window counts as mrCancel.
    int ShowModal();
    void SetModalResult(int result) override;
    bool in_modal_loop() const { return in_modal_loop_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    bool in_modal_loop_ = false;
};

class MainWindowForm : public QMainWindow, public Form {
    Q_OBJECT
public:
    explicit MainWindowForm(QWidget* owner = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace gui
