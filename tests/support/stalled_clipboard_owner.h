#pragma once

#include <atomic>
#include <thread>

namespace tavik::test {

// Another client holding the CLIPBOARD that does not hand its content over: it never answers,
// answers each of many formats slowly, or starts an incremental transfer it never continues.
// It serves from a thread and connection of its own until it goes away.
class StalledClipboardOwner {
public:
    enum class Manner { neverAnswers, slowForManyFormats, stallsTransfer };

    explicit StalledClipboardOwner(Manner manner);
    ~StalledClipboardOwner();
    StalledClipboardOwner(const StalledClipboardOwner&) = delete;
    StalledClipboardOwner& operator=(const StalledClipboardOwner&) = delete;

    // It took the clipboard and still holds it.
    bool holdsClipboard() const;

private:
    void serve();

    Manner manner_;
    void* display_ = nullptr; // Display*, kept out of this header with Xlib's macros
    unsigned long window_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace tavik::test
