#pragma once

// Tavik as the user runs it on the test desktop: its own process, the real microphone path and
// voice-activity model, a scripted recognition model, the test target application focused to
// receive the text, the history file and the audio archive in the test's private HOME.
#include "tests/support/controller_app_process.h"
#include "tests/support/insertion_target_app.h"

#include <QJsonArray>
#include <QString>

#include <gtest/gtest.h>

#include <vector>

namespace tavik::test {

class DictationEndToEnd : public ::testing::Test {
protected:
    // What the scripted model "hears", whatever is said; the vocabulary fixes "Tavick" and the
    // snippet expands "my signature".
    static const QString spokenPhrase;
    static const QString deliveredText;

    // The models, the settings and the focused target; Tavik itself is started by the test.
    // Skips the test without the desktop or the speech fixture.
    void prepare();
    // Starts `tavik` (with `environment` added) and waits until its model is ready.
    void startTavik(TavikProcess& tavik, const QProcessEnvironment& environment = {});
    // Ends `tavik` as the user would quit it, and checks that it ended cleanly.
    void quitTavik(TavikProcess& tavik);

    QString logFileText() const;
    QJsonArray history() const;
    bool targetShows(const QString& text, int timeoutMs = 30000);

    std::vector<float> speech;
    QString dataFolder;
    InsertionTargetApp target;
};

} // namespace tavik::test
