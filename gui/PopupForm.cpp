#include "gui/PopupForm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <algorithm>

namespace gui {

namespace {

// Sees the application's Quit event, which every way of ending the program sends, while a wait runs.
class QuitWatch : public QObject {
public:
    QuitWatch() { QCoreApplication::instance()->installEventFilter(this); }
    ~QuitWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool quitting() const { return quitting_ || QCoreApplication::closingDown(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit)
            quitting_ = true;
        return false;
    }

private:
    bool quitting_ = false;
};

} // namespace

QPoint fit_into(QPoint wanted, QSize size, const QRect& area) {
    int x = std::min(wanted.x(), area.left() + area.width() - size.width());
    int y = std::min(wanted.y(), area.top() + area.height() - size.height());
    return {std::max(x, area.left()), std::max(y, area.top())};
}

PopupForm::PopupForm(QWidget* owner) : DialogForm(owner) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
}

void PopupForm::set_full_size(int width, int height) {
    full_size_ = {width, height};
    resize(full_size_);
}

void PopupForm::place_at(QPoint screen_point) {
    const QScreen* screen = QGuiApplication::screenAt(screen_point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    move(screen ? fit_into(screen_point, full_size_, screen->availableGeometry()) : screen_point);
}

void PopupForm::set_height(int height) {
    // A window of no height cannot be on the screen; shown so, it would be mapped later without the place it was
    // given. One pixel stands for it.
    resize(full_size_.width(), std::max(1, height));
    if (OnUnrollStep)
        OnUnrollStep(height);
}

// The pause between steps lets the window system catch up (no user input is taken meanwhile): under a window
// manager a resize reaches the screen only once it has been granted, and the newly uncovered part is painted
// when the window system asks for it. Without that the form would be seen as a blank area growing, or only once
// at full size.
void PopupForm::pause_between_steps() {
    QElapsedTimer pause;
    pause.start();
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(1);
    } while (pause.elapsed() < 10);
}

bool PopupForm::unroll(int first_step, int last_step) {
    QPointer<PopupForm> self(this);
    set_height(0);
    show();
    for (int step = first_step; step <= last_step; ++step) {
        set_height(full_size_.height() * step / 10);
        repaint();
        pause_between_steps();
        if (!self)
            return false;
    }
    if (height() != full_size_.height())
        set_height(full_size_.height());
    repaint();
    // Activated once it has a size: a window of height 0 is not yet on the screen to take it.
    raise();
    activateWindow();
    return true;
}

bool PopupForm::wait_until_hidden(PopupForm* form) {
    QPointer<PopupForm> guard(form);
    QuitWatch quit;
    while (guard && guard->isVisible()) {
        if (quit.quitting()) {
            guard->close();
            break;
        }
        QThread::msleep(20);
        QCoreApplication::processEvents();
    }
    return !guard.isNull();
}

bool PopupForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && isVisible())
        FormDeactivate();
    return DialogForm::event(event);
}

} // namespace gui
