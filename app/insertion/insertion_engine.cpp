#include "app/insertion/insertion_engine.h"

#include "app/insertion/insertion_codes.h"
#include "app/insertion/mechanisms.h"

#include <nalo_core.h>

namespace tavik {

InsertionEngine::InsertionEngine() : engine_(nalo_engine_new()) {}

InsertionEngine::~InsertionEngine() {
    nalo_engine_free(engine_);
}

int InsertionEngine::profileCount() const {
    return engine_ != nullptr ? static_cast<int>(nalo_engine_profile_count(engine_)) : 0;
}

std::uint32_t InsertionEngine::executor(std::uint32_t strategy, const char* text,
                                        std::uint32_t restoreMs, bool axTrusted, void*) {
    // Nothing may unwind into the library: any fault of a mechanism is a failed try.
    try {
        if (text == nullptr) {
            return OUTCOME_FAILED;
        }
        const QString value = QString::fromUtf8(text);
        if (!insertionTargetInFront()) {
            // Another window came to the front since the insertion began: nothing goes there,
            // and nothing is learned about either application.
            return OUTCOME_FAILED;
        }
        if (secureInputActive()) {
            return OUTCOME_REFUSED;
        }
        switch (strategy) {
        case STRATEGY_ACCESSIBILITY:
            // Pasting and typing need no permission here, so without accessibility only this
            // mechanism stands down, and as a plain failure: nothing about the application is
            // learned from it.
            return accessibilityTrusted() ? runAccessibility(value) : OUTCOME_FAILED;
        case STRATEGY_PASTE:
            return runPaste(value, restoreMs, axTrusted);
        case STRATEGY_TYPE:
            return runType(value);
        default:
            return OUTCOME_FAILED;
        }
    } catch (...) {
        return OUTCOME_FAILED;
    }
}

InsertionEngine::Result InsertionEngine::insert(const QString& text, const QString& bundleId) {
    // The library reads the text as a C string, so it ends at the first NUL: judge emptiness on
    // what the library will see, never hand it an empty text (which would erase a selection).
    QByteArray utf8 = text.toUtf8();
    if (const qsizetype nul = utf8.indexOf('\0'); nul >= 0) {
        utf8.truncate(nul);
    }
    if (engine_ == nullptr || utf8.isEmpty() || inserting_) {
        return Result(false, QStringLiteral("none"), 0, 0, QString());
    }
    const QByteArray app = bundleId.toUtf8();
    inserting_ = true;
    fixInsertionTarget();
    takeUntypedText();
    const NaloInsertResult raw =
        nalo_engine_insert(engine_, app.constData(), utf8.constData(), &executor, nullptr);
    releaseInsertionTarget();
    inserting_ = false;

    QString trace;
    if (raw.trace != nullptr) {
        trace = QString::fromUtf8(raw.trace);
        nalo_string_free(raw.trace);
    }
    QString winner;
    switch (raw.winner) {
    case STRATEGY_ACCESSIBILITY:
        winner = QStringLiteral("accessibility");
        break;
    case STRATEGY_PASTE:
        winner = QStringLiteral("paste");
        break;
    case STRATEGY_TYPE:
        winner = QStringLiteral("type");
        break;
    default:
        winner = QStringLiteral("none");
        break;
    }
    Result result(raw.succeeded, winner, static_cast<int>(raw.attempts),
                  static_cast<int>(raw.skipped), trace);
    if (!result.succeeded) {
        result.untyped = takeUntypedText();
    }
    return result;
}

} // namespace tavik
