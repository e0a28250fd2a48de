#include "acquisition/core/output_reader.h"

#include "acquisition/core/output_file.h"
#include "library/lock_object.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// Owned by the reader and its thread together: a thread still blocked on the lock when the reader goes
// keeps it alive and ends after its read.
struct output_reader::shared {
    done_handler done;
    std::mutex guard;
    std::condition_variable changed;
    std::optional<std::string> request;
    std::optional<snapshot_result> result;
    bool busy = false; // a request is being read
    bool quit = false;
    std::thread thread;

    void run() {
        // The lock belongs to the thread that takes it: this one makes and uses its own.
        lib::lock_object file_lock(output_file_name);
        std::unique_lock<std::mutex> lock(guard);
        for (;;) {
            changed.wait(lock, [&] { return request || quit; });
            if (quit)
                return;
            const std::string path = std::move(*request);
            request.reset();
            lock.unlock();
            snapshot_result read = read_output_snapshot(path, file_lock);
            lock.lock();
            busy = false;
            if (quit)
                return;
            if (done)
                done(read);
            else
                result = std::move(read);
            changed.notify_all();
        }
    }

    bool begin(const std::string& path) {
        if (busy)
            return false;
        request = path;
        busy = true;
        changed.notify_all();
        return true;
    }
};

output_reader::output_reader(done_handler done) : shared_(std::make_shared<shared>()) {
    shared_->done = std::move(done);
    shared_->thread = std::thread([s = shared_] { s->run(); });
}

output_reader::~output_reader() {
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

bool output_reader::start(const std::string& path) {
    std::lock_guard<std::mutex> lock(shared_->guard);
    return shared_->begin(path);
}

snapshot_result output_reader::read(const std::string& path, std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(shared_->guard);
    if (shared_->begin(path) && shared_->changed.wait_for(lock, bound, [&] { return !shared_->busy; }) &&
        shared_->result)
        return std::move(*shared_->result);
    snapshot_result locked;
    locked.problem = read_problem::locked;
    locked.error = "lock not obtained within " + std::to_string(bound.count()) + " ms";
    return locked;
}
