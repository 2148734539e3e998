// Background work for the controller: one named worker thread per queue.
#include "app/dictation/dictation_wiring.h"
#include "platform/serial_queue.h"

namespace tavik::dictation {
namespace {

class SerialJobQueue final : public JobQueue {
public:
    explicit SerialJobQueue(const char* name) : queue_(name) {}
    void run(std::function<void()> job) override { queue_.async(std::move(job)); }

private:
    platform::SerialQueue queue_;
};

} // namespace

std::unique_ptr<JobQueue> makeSerialJobQueue(const char* name) {
    return std::make_unique<SerialJobQueue>(name);
}

} // namespace tavik::dictation
