#include "platform/serial_queue.h"

#include <pthread.h>

namespace tavik::platform {

SerialQueue::SerialQueue(std::string name) : name_(std::move(name)) {
    worker_ = std::thread([this] { run(); });
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void SerialQueue::async(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        ++queued_;
    }
    wake_.notify_one();
}

bool SerialQueue::drain(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const auto target = queued_;
    return idle_.wait_for(lock, timeout, [&] { return finished_ >= target; });
}

void SerialQueue::sync(const std::function<void()>& task) {
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool done = false;
    async([&] {
        task();
        std::lock_guard lock(doneMutex);
        done = true;
        doneSignal.notify_one();
    });
    std::unique_lock lock(doneMutex);
    doneSignal.wait(lock, [&] { return done; });
}

void SerialQueue::run() {
    // Thread names are limited to 15 characters; enough to tell the queues apart in a debugger.
    pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty()) {
                return; // stopping, and nothing left to run
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
        {
            std::lock_guard lock(mutex_);
            ++finished_;
        }
        idle_.notify_all();
    }
}

} // namespace tavik::platform
