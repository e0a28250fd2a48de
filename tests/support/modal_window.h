#pragma once
// Tests of commands that open a modal window: hand the window to the test once it is up, and make sure
// that a window the code under test leaves open fails the test instead of hanging it.
#include <QApplication>
#include <QTimer>
#include <functional>

namespace bv_test {

// Once a modal window of type W is up, hands it to `handle` (which must close it). Polls, so a slow start of the
// modal loop cannot leave the test waiting forever on a box nobody closes.
template <class W> void when_modal_shown(std::function<void(W*)> handle) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, handle] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            handle(w);
        }
    });
    poll->start(20);
}

// Closes whatever modal window is still up `ms` after it was made; `fired()` tells whether it had to.
class modal_deadline {
public:
    explicit modal_deadline(int ms) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
        timer.start(ms);
    }
    bool fired() const { return !timer.isActive(); }

private:
    QTimer timer;
};

} // namespace bv_test
