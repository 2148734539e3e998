#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace tavik {

// A callback property that the owner may assign on the main thread while the capture thread
// calls it: each call runs the handler that was current when it began.
class AudioSampleCallback {
public:
    using Handler = std::function<void(std::vector<float> samples)>;

    AudioSampleCallback& operator=(Handler handler) {
        handler_.store(handler ? std::make_shared<const Handler>(std::move(handler)) : nullptr);
        return *this;
    }
    AudioSampleCallback& operator=(std::nullptr_t) {
        handler_.store(nullptr);
        return *this;
    }

    explicit operator bool() const { return handler_.load() != nullptr; }

    void operator()(std::vector<float> samples) const {
        if (const auto handler = handler_.load()) {
            (*handler)(std::move(samples));
        }
    }

private:
    std::atomic<std::shared_ptr<const Handler>> handler_;
};

} // namespace tavik
