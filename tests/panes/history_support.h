#pragma once

// Shared by the history and insights pane tests: real stores in the test's own HOME, entries
// that read like dictations, a real controller over scripted parts and a clock the test moves.
#include "app/shell/state/app_state.h"
#include "app/stores/audio_store.h"
#include "app/stores/history.h"
#include "tests/support/controller_harness.h"
#include "tests/support/fake_clock.h"
#include "tools/history-seed/history_seed.h"

#include <QFile>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace tavik::test {

using seed::dictation;
using seed::manyDictations;

// Writes the shared history's file before anything reads it, as a long-used history would be.
inline void seedHistoryFile(const QList<HistoryEntry>& newestFirst) {
    ASSERT_TRUE(seed::writeHistoryFile(newestFirst));
}

// An audio file for the entry in the real archive.
inline void archiveAudio(const QUuid& id, double seconds = 0.5) {
    std::vector<float> samples(std::size_t(seconds * 16000), 0.2f);
    ASSERT_TRUE(AudioStore::shared().save(samples, id));
}

// The row of the list under a point in the list's coordinates.
inline QPoint centreOf(const QRectF& rect) {
    return rect.center().toPoint();
}

} // namespace tavik::test
