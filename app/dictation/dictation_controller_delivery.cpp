// Recognition off the main thread, then delivery: the scratchpad, the target application or
// the clipboard, with the history entry, the audio archive and the sounds.
#include "app/dictation/dictation_controller_private.h"

namespace tavik {

using dictation::fixed;
using Kind = dictation::State::Kind;

namespace {
// Without vocabulary and snippet stores the recognised text goes out as it is.
QString corrected(dictation::TextSteps* steps, const QString& text) {
    return steps != nullptr ? steps->correct(text) : text;
}

// Once the text is out: syncing a recording waits for the disk, which must never stand between
// the key's release and the text. The syncs run off the main thread.
void makeAudioDurable(dictation::DictationStores& stores, const QList<QUuid>& ids) {
    for (const QUuid& id : ids) {
        stores.makeAudioDurable(id);
    }
}
} // namespace

void DictationController::startRecognition(std::shared_ptr<RecognitionJob> job) {
    if (!job->transcriber) {
        const auto serial = job->serial;
        post([this, serial] {
            if (serial != transcribingSerial_ || !state_.is(Kind::transcribing)) {
                return;
            }
            transcribingSerial_ = 0;
            log(QStringLiteral("no transcriber available — returning to idle"));
            rest();
        });
        return;
    }
    job->recogniseNs = parts_.clock->monotonicNs();
    auto* steps = parts_.textSteps.get();
    auto* clock = parts_.clock;
    auto logLine = [this](const QString& line) {
        log(line);
    };
    parts_.recognitionJobs->run([this, job, steps, clock, logLine] {
        recognise(*job, steps, logLine, *clock);
        post([this, job] { deliver(job); });
    });
}

// Runs on the recognition queue. Never throws: a failure delivers nothing, so the dictation
// returns to rest at once instead of waiting for the watchdog.
void DictationController::recognise(RecognitionJob& job, dictation::TextSteps* steps,
                                    const std::function<void(const QString&)>& log,
                                    platform::Clock& clock) {
    const std::int64_t t0 = job.recogniseNs;
    try {
        std::optional<dictation::RecognitionResult> result;
        bool speculative = false;
        if (job.reused) {
            // Queued behind its speculation, so the result is already there.
            std::lock_guard lock(job.reused->mutex);
            if (job.reused->finished && job.reused->result) {
                result = job.reused->result;
                speculative = true;
            }
        }
        if (!result) {
            result = job.transcriber->transcribeScored(job.samples);
        }
        QString text =
            result->confidence >= minimumConfidence ? corrected(steps, result->text) : QString();
        if (!text.isEmpty()) {
            text = steps != nullptr ? steps->applySnippets(text) : text;
        }
        if (text.isEmpty() && !result->text.isEmpty()) {
            log(QStringLiteral("discarded low-confidence transcript (%1): \"%2\"")
                    .arg(fixed(result->confidence, 2), result->text));
        }
        const std::int64_t elapsedMs = (clock.monotonicNs() - t0) / 1'000'000;
        log(QStringLiteral("transcribed in %1ms%2 (confidence %3): \"%4\"")
                .arg(elapsedMs)
                .arg(speculative ? QStringLiteral(" speculative") : QString(),
                     fixed(result->confidence, 2), text));
        job.text = text;
    } catch (const std::exception& error) {
        log(QStringLiteral("recognition failed: ") + QString::fromUtf8(error.what()));
        job.text.clear();
    } catch (...) {
        log(QStringLiteral("recognition failed: unknown error"));
        job.text.clear();
    }
}

void DictationController::deliver(const std::shared_ptr<RecognitionJob>& job) {
    if (job->serial != transcribingSerial_ || !state_.is(Kind::transcribing)) {
        // The watchdog gave up on this dictation, or a newer one owns the state: its text
        // must not land in whatever has focus now.
        log(QStringLiteral("late transcript — dropped"));
        makeAudioDurable(stores_, job->unsyncedAudio);
        return;
    }
    transcribingSerial_ = 0;
    const QString& text = job->text;
    if (text.isEmpty()) {
        log(QStringLiteral("empty transcript — nothing to insert"));
        makeAudioDurable(stores_, job->unsyncedAudio);
        rest();
        return;
    }
    const QUuid id = QUuid::createUuid();
    if (prefs_.keepAudio() && !job->archive.empty()) {
        stores_.saveAudio(job->archive, id);
        job->unsyncedAudio << id;
        stores_.pruneAudio(prefs_.audioBudgetBytes());
    }
    job->archive = {};
    const bool sounds = prefs_.playSounds();

    if (prefs_.dictateToScratchpad()) {
        stores_.appendToScratchpad(text);
        if (sounds) {
            desktop_.playSound(QStringLiteral("Pop"));
        }
        addHistory(*job, id, QStringLiteral("Scratchpad"), QStringLiteral("com.trelvanic.tavik"),
                   QStringLiteral("scratchpad"), true);
        makeAudioDurable(stores_, job->unsyncedAudio);
        rest();
        return;
    }

    // The text is for the window in front at the release. If another one is in front now,
    // typing or pasting would put it there: it goes to the clipboard instead, and nothing is
    // learned about either application.
    const bool targetInFront = desktop_.frontmostApp().sameAs(job->target);
    const auto result =
        targetInFront
            ? parts_.inserter->insert(text, job->target.bundleId)
            : dictation::InsertOutcome{false, QStringLiteral("none"),
                                       QStringLiteral("target no longer in front\n"), QString()};
    QString trace = result.trace;
    trace.replace(QLatin1Char('\n'), QStringLiteral("; "));
    log(QStringLiteral("insert -> %1 via %2 [%3]")
            .arg(result.succeeded ? QStringLiteral("OK") : QStringLiteral("FAILED"), result.winner,
                 trace));
    if (result.succeeded) {
        if (sounds) {
            desktop_.playSound(QStringLiteral("Pop"));
        }
        addHistory(*job, id, job->target.name, job->target.bundleId, result.winner, true);
        setLastError(job->cutShort);
    } else {
        // Typing that stopped part-way leaves only its untyped end to be pasted by hand.
        desktop_.setClipboardText(result.untyped.isEmpty() ? text : result.untyped);
        addHistory(*job, id, job->target.name, job->target.bundleId, QStringLiteral("clipboard"),
                   false);
        setLastError(!targetInFront || desktop_.accessibilityTrusted()
                         ? QStringLiteral("Could not type into %1 — copied to clipboard instead")
                               .arg(job->target.name)
                         : QStringLiteral("Tavik needs the desktop's accessibility to type into "
                                          "other apps. Turn it on in Tavik's Settings. Your "
                                          "text is on the clipboard."));
        if (sounds) {
            desktop_.playSound(QStringLiteral("Basso"));
        }
    }
    makeAudioDurable(stores_, job->unsyncedAudio);
    rest();
}

void DictationController::addHistory(const RecognitionJob& job, const QUuid& id, const QString& app,
                                     const QString& bundleId, const QString& via, bool inserted) {
    dictation::HistoryRecord record;
    record.id = id;
    record.text = job.text;
    record.app = app;
    record.bundleId = bundleId;
    record.via = via;
    record.at = parts_.clock->utcNow();
    record.duration = job.duration;
    // Measured on the monotonic clock, so a step of the wall clock cannot skew it.
    record.latencyMs = static_cast<double>(parts_.clock->monotonicNs() - job.startNs) / 1e6;
    record.inserted = inserted;
    stores_.addHistory(record);
}

} // namespace tavik
