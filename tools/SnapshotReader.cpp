#include "tools/SnapshotReader.h"

#include "acquisition/core/output_file.h"
#include "library/lock_object.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace tools {

// Owned by the reader and its thread together: a thread still blocked on the lock when the reader
// goes keeps it alive and ends after its read.
struct snapshot_reader::shared {
    lib::lock_object file_lock{output_file_name};
    std::mutex guard;
    std::condition_variable changed;
    std::optional<std::string> request;
    std::optional<snapshot_result> result;
    bool busy = false; // a request is being read
    bool quit = false;
    std::thread thread;

    void run() {
        std::unique_lock<std::mutex> lock(guard);
        for (;;) {
            changed.wait(lock, [&] { return request || quit; });
            if (!request)
                return;
            const std::string path = std::move(*request);
            request.reset();
            lock.unlock();
            snapshot_result read = read_output_snapshot(path, file_lock);
            lock.lock();
            result = std::move(read);
            busy = false;
            changed.notify_all();
        }
    }
};

snapshot_reader::snapshot_reader() : shared_(std::make_shared<shared>()) {
    shared_->thread = std::thread([s = shared_] { s->run(); });
}

snapshot_reader::~snapshot_reader() {
    std::unique_lock<std::mutex> lock(shared_->guard);
    shared_->quit = true;
    shared_->changed.notify_all();
    const bool waiting = shared_->busy;
    lock.unlock();
    if (waiting)
        shared_->thread.detach();
    else
        shared_->thread.join();
}

std::optional<snapshot_result> snapshot_reader::read(const std::string& path, std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(shared_->guard);
    if (shared_->busy)
        return std::nullopt;
    shared_->result.reset();
    shared_->request = path;
    shared_->busy = true;
    shared_->changed.notify_all();
    if (!shared_->changed.wait_for(lock, bound, [&] { return !shared_->busy; }))
        return std::nullopt;
    return std::move(shared_->result);
}

} // namespace tools
