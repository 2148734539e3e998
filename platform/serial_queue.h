#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tavik::platform {

// A named worker thread that runs its tasks one at a time, in the order they were queued.
// Slow work (recognition, voice activity, history writes) runs here; results hop back to the
// main thread with postToMain.
class SerialQueue {
public:
    explicit SerialQueue(std::string name);
    ~SerialQueue(); // runs what is queued, then joins
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& name() const { return name_; }

    void async(std::function<void()> task);

    // Waits until every task queued before this call has run. Returns false when the
    // deadline passed first (the tasks still run later).
    bool drain(std::chrono::milliseconds timeout);

    // Runs the task on the queue and waits for it. Never call from the queue's own thread.
    void sync(const std::function<void()>& task);

    bool isCurrent() const { return std::this_thread::get_id() == worker_.get_id(); }

private:
    void run();

    std::string name_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> tasks_;
    unsigned long long queued_ = 0;
    unsigned long long finished_ = 0;
    bool stopping_ = false;
    std::thread worker_;
};

} // namespace tavik::platform
