#pragma once

#include <QString>

#include <cstdint>

struct NaloEngine;

namespace tavik {

// Owns one insertion engine of the nalo_core library and turns one insertion into a value:
// whether it worked, which mechanism won, how many tries and skips, and the engine's trace.
// What the engine learns about applications lasts as long as this object. Main thread only.
class InsertionEngine {
public:
    struct Result {
        bool succeeded = false;
        QString winner;   // "accessibility", "paste", "type" or "none"
        int attempts = 0; // tries made
        int skipped = 0;  // mechanisms the application's profile left out
        QString trace;    // the engine's decisions, one "\n"-terminated line each; "" when none
        QString untyped;  // after a failure: the end of the text typing did not reach; "" when
                          // none of it was typed

        Result(bool succeeded, QString winner, int attempts, int skipped, QString trace)
            : succeeded(succeeded), winner(std::move(winner)), attempts(attempts), skipped(skipped),
              trace(std::move(trace)) {}
    };

    InsertionEngine();
    ~InsertionEngine();
    InsertionEngine(const InsertionEngine&) = delete;
    InsertionEngine& operator=(const InsertionEngine&) = delete;

    // Puts `text` into the focused field of the application keyed `bundleId`. The text counts
    // up to its first NUL character; an empty text changes nothing and tries nothing.
    Result insert(const QString& text, const QString& bundleId);
    int profileCount() const;

private:
    // The library's callback: runs one mechanism and answers its outcome code.
    static std::uint32_t executor(std::uint32_t strategy, const char* text, std::uint32_t restoreMs,
                                  bool axTrusted, void* context);

    NaloEngine* engine_ = nullptr;
    bool inserting_ = false;
};

} // namespace tavik
