#include "tools/sparkplug/FileFollower.h"

#include "acquisition/core/output_reader.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

// Lives on the follower's thread; its watcher and clock are made there, so their notifications come there.
class FileFollower::worker : public QObject {
public:
    worker(std::string path, int interval_ms, taken_handler taken, log_handler log)
        : path_(std::move(path)), interval_ms_(interval_ms), taken_(std::move(taken)), log_(std::move(log)),
          reader_([this](const snapshot_result& read) {
              QMetaObject::invokeMethod(
                  this, [this, read] { done(read); }, Qt::QueuedConnection);
          }) {}

    void start() {
        // The module replaces the file by renaming a new one over it: the directory changes, the watched file
        // would be a deleted one.
        auto* watcher = new QFileSystemWatcher(this);
        const QString dir = QFileInfo(QString::fromStdString(path_)).absolutePath();
        if (!watcher->addPath(dir))
            log_("cannot watch " + dir.toStdString() + " for changes; reading every interval only");
        connect(watcher, &QFileSystemWatcher::directoryChanged, this, [this] { read(); });
        auto* clock = new QTimer(this);
        clock->setTimerType(Qt::PreciseTimer);
        connect(clock, &QTimer::timeout, this, [this] { tick(); });
        clock->start(interval_ms_);
        tick();
    }

private:
    static std::int64_t now_ms() { return QDateTime::currentMSecsSinceEpoch(); }

    void tick() {
        if (reader_.start(path_)) {
            busy_ticks_ = 0;
            return;
        }
        reread_ = true;
        // A read still waiting for the lock a whole interval later: the writer holds it; say so once.
        if (++busy_ticks_ == 2) {
            sparkplug::reading r;
            r.time_ms = now_ms();
            r.from = sparkplug::source::locked;
            taken_(r);
        }
    }

    void read() {
        if (!reader_.start(path_))
            reread_ = true;
    }

    void done(const snapshot_result& read_result) {
        const sparkplug::reading r = sparkplug::reading_of(read_result, now_ms());
        if (reread_) {
            reread_ = false;
            read();
        }
        taken_(r);
    }

    std::string path_;
    int interval_ms_;
    taken_handler taken_;
    log_handler log_;
    output_reader reader_;
    bool reread_ = false; // a change came while a read ran: read once more after it
    int busy_ticks_ = 0;  // interval ticks that found the previous read still waiting for the lock
};

FileFollower::FileFollower(std::string path, int interval_ms, taken_handler taken, log_handler log)
    : worker_(new worker(std::move(path), interval_ms, std::move(taken), std::move(log))) {
    worker_->moveToThread(&thread_);
    thread_.start();
}

FileFollower::~FileFollower() {
    // Deleted on its own thread, where its watcher and clock live; no handler runs after this.
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { delete w; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void FileFollower::start() {
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->start(); }, Qt::QueuedConnection);
}
