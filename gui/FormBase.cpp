#include "gui/FormBase.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTextEdit>
#include <QWindow>
#include <cmath>

namespace gui {

namespace {

int dialog_key_of(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return key_return;
    case Qt::Key_Escape:
        return key_escape;
    default:
        return 0;
    }
}

// A multi-line editor keeps Enter for itself, as an edit control that asks for it does.
bool focus_wants_key(const QWidget* focus, int key) {
    if (key != key_return || !focus)
        return false;
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(focus))
        return !plain->isReadOnly();
    if (auto* rich = qobject_cast<const QTextEdit*>(focus))
        return !rich->isReadOnly();
    return false;
}

// Sees every key press of the application once, at the widget that first receives it (the focus
// widget, or the window when nothing inside it has the focus), and offers Enter and Escape to the
// form. Propagation to parent widgets re-delivers the same event; those deliveries are skipped.
class DialogKeyFilter : public QObject {
public:
    using QObject::QObject;

    static void ensure_installed() {
        static QPointer<DialogKeyFilter> filter;
        if (!filter && qApp) {
            filter = new DialogKeyFilter(qApp);
            qApp->installEventFilter(filter);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        const int key = dialog_key_of(static_cast<QKeyEvent*>(event));
        if (key == 0)
            return false;
        auto* target = static_cast<QWidget*>(watched);
        QWidget* focus = QApplication::focusWidget();
        const bool first_receiver = target == focus || (target->isWindow() && (!focus || focus->window() != target));
        if (!first_receiver || focus_wants_key(focus, key))
            return false;
        auto* form = dynamic_cast<Form*>(target->window());
        return form && form->offer_dialog_key(key);
    }
};

} // namespace

double screen_logical_dpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

int design_px(int px_at_120) {
    return static_cast<int>(std::lround(px_at_120 * screen_logical_dpi() / 120.0));
}

void set_design_geometry(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(design_px(left), design_px(top), design_px(width), design_px(height));
}

void offer_no_minimise(QWidget* window) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    window->winId();
    QWindow* handle = window->windowHandle();
    if (!handle)
        return;
    // The types Qt's X11 plugin writes into _NET_WM_WINDOW_TYPE before the one of the window's flags (a dialog's):
    // 0x8 is a toolbar's. The plugin reads them when the flags are set, so they are set again.
    handle->setProperty("_q_xcb_wm_window_type", 0x8);
    const Qt::WindowFlags flags = handle->flags();
    handle->setFlags(flags ^ Qt::WindowStaysOnTopHint);
    handle->setFlags(flags);
}

Form::Form(QWidget* widget) : widget_(widget) {
    DialogKeyFilter::ensure_installed();
}

Form::~Form() = default;

void Form::SetModalResult(int result) {
    modal_result_ = result;
}

bool Form::offer_dialog_key(int key) {
    // A handler may close or delete the form or other controls: walk guarded pointers.
    QPointer<QWidget> self(widget_);
    QList<QPointer<QWidget>> controls;
    for (QWidget* child : widget_->findChildren<QWidget*>())
        controls.append(child);
    for (const QPointer<QWidget>& control : controls) {
        if (!self)
            return true;
        if (auto* target = dynamic_cast<DialogKeyTarget*>(control.data()); target && target->dialog_key(key))
            return true;
    }
    return false;
}

bool Form::handle_close(QCloseEvent* event) {
    CloseAction action = CloseAction::Hide;
    FormClose(action);
    switch (action) {
    case CloseAction::None:
        event->ignore();
        return false;
    case CloseAction::Minimize:
        event->ignore();
        widget_->showMinimized();
        return false;
    case CloseAction::Hide:
        event->accept();
        return true;
    case CloseAction::Free:
        event->accept();
        if (main_form_)
            QCoreApplication::quit();
        else
            widget_->deleteLater();
        return true;
    }
    return true;
}

Form* enclosing_form(const QWidget* widget) {
    for (QWidget* w = widget ? widget->parentWidget() : nullptr; w; w = w->parentWidget())
        if (auto* form = dynamic_cast<Form*>(w))
            return form;
    return nullptr;
}

DialogForm::DialogForm(QWidget* owner) : QDialog(owner), Form(this) {}

int DialogForm::ShowModal() {
    QPointer<DialogForm> self(this);
    modal_result_ = mrNone;
    in_modal_loop_ = true;
    exec();
    if (!self)
        return mrCancel;
    in_modal_loop_ = false;
    return modal_result_;
}

void DialogForm::SetModalResult(int result) {
    Form::SetModalResult(result);
    if (!in_modal_loop_ || result == mrNone)
        return;
    // Ending the modal loop is a close: the form may still refuse it.
    CloseAction action = CloseAction::Hide;
    FormClose(action);
    if (action == CloseAction::None) {
        modal_result_ = mrNone;
        return;
    }
    done(result);
}

void DialogForm::closeEvent(QCloseEvent* event) {
    if (in_modal_loop_) {
        event->ignore();
        SetModalResult(mrCancel);
        return;
    }
    handle_close(event);
}

void DialogForm::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape belong to the form's controls (dialog keys), not to QDialog's defaults.
    if (dialog_key_of(event) != 0) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DialogForm::reject() {
    if (in_modal_loop_)
        SetModalResult(mrCancel);
    else
        QDialog::reject();
}

MainWindowForm::MainWindowForm(QWidget* owner) : QMainWindow(owner), Form(this) {}

void MainWindowForm::closeEvent(QCloseEvent* event) {
    handle_close(event);
}

} // namespace gui
