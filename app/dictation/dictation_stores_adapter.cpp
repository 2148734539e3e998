// The controller's view of the stores a dictation reaches.
#include "app/dictation/dictation_wiring.h"
#include "app/stores/audio_store.h"
#include "app/stores/diagnostic_log.h"
#include "app/stores/history.h"
#include "app/stores/scratchpad.h"
#include "app/stores/shared_saves.h"
#include "app/stores/store_notices.h"

namespace tavik::dictation {
namespace {

class SharedStores final : public DictationStores {
public:
    void saveAudio(const Samples& samples, const QUuid& id) override {
        const platform::FileWriteResult saved = AudioStore::shared().save(samples, id);
        if (!saved && !samples.empty()) {
            slog(QStringLiteral("audio: could not save the recording — ") + saved.reason());
            StoreNotices::shared().addNote(StoreNotices::recordingNote(saved.reason()));
        }
    }
    void makeAudioDurable(const QUuid& id) override { AudioStore::shared().makeDurable(id); }
    void pruneAudio(qint64 bytes) override { AudioStore::shared().prune(bytes); }
    QString audioPath(const QUuid& id) const override { return AudioStore::shared().url(id); }
    void appendToScratchpad(const QString& text) override { Scratchpad::shared().append(text); }
    void addHistory(const HistoryRecord& record) override {
        History::Entry entry;
        entry.id = record.id;
        entry.text = record.text;
        entry.app = record.app;
        entry.bundleId = record.bundleId;
        entry.via = record.via;
        entry.at = record.at;
        entry.duration = record.duration;
        entry.latencyMs = record.latencyMs;
        entry.inserted = record.inserted;
        History::shared().add(entry);
    }
    void drainWriters() override { saveSharedStoresAtQuit(quitSaveLimit); }
};

} // namespace

std::unique_ptr<DictationStores> makeDictationStores() {
    return std::make_unique<SharedStores>();
}

} // namespace tavik::dictation
