// Tavik through the life of the sound server under it: a server that goes away for a while and
// comes back, as a restart or a crash of PipeWire or PulseAudio does to a running session.
#include "tests/support/dictation_end_to_end.h"
#include "tests/support/fixtures.h"
#include "tests/support/sound_server.h"

#include <QElapsedTimer>

#include <csignal>

namespace tavik::test {
namespace {

class ControllerSoundServer : public DictationEndToEnd {
protected:
    void SetUp() override { prepare(); }
    void TearDown() override { quitTavik(tavik); }

    // The diagnostic lines Tavik has written so far.
    QStringList logLines() {
        QStringList lines;
        for (const QString& line : tavik.output().split('\n')) {
            if (line.startsWith(QStringLiteral("[tavik "))) {
                lines << line;
            }
        }
        return lines;
    }
    qsizetype linesContaining(const QString& text) { return logLines().filter(text).size(); }

    PrivateSoundServer server;
    TavikProcess tavik;
};

TEST_F(ControllerSoundServer, AnOutageWritesAFewLinesAndTheNextDictationIsDelivered) {
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    QProcessEnvironment onTheServer;
    onTheServer.insert(QStringLiteral("PULSE_SERVER"), QString::fromUtf8(server.address()));
    ASSERT_NO_FATAL_FAILURE(startTavik(tavik, onTheServer));
    const QString capturing = QStringLiteral("audio: capturing from \"Tavik-Test-Microphone\"");
    ASSERT_TRUE(tavik.waitForLine(capturing, 10000)) << tavik.output().toStdString();

    // A real outage, long enough for a flood of lines (once about twenty a second) to show.
    const qsizetype before = logLines().size();
    server.stop();
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("audio: sound server connection lost"), 10000))
        << tavik.output().toStdString();
    spinUntil([] { return false; }, 2000);
    const qsizetype settled = logLines().size();
    spinUntil([] { return false; }, 6000);
    const QStringList outage = logLines().mid(before);
    EXPECT_LE(outage.size(), 8) << outage.join('\n').toStdString();
    EXPECT_EQ(logLines().size(), settled) << outage.join('\n').toStdString();
    EXPECT_EQ(linesContaining(QStringLiteral("audio: sound server connection lost")), 1);

    ASSERT_TRUE(server.start()) << server.log().toStdString();
    ASSERT_TRUE(
        tavik.waitForLine(QStringLiteral("audio: sound server connection regained"), 10000));
    ASSERT_TRUE(spinUntil([&] { return linesContaining(capturing) == 2; }, 10000))
        << tavik.output().toStdString();

    tavik.signal(SIGUSR1);
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("recording (preroll"), 10000));
    // "And so my fellow Americans": enough to be heard as speech.
    const std::vector<float> words(speech.begin(), speech.begin() + 3 * 16000);
    { PacedMicrophone microphone(withSilenceAfter(words, 0.5), server.micFifo()); }
    tavik.signal(SIGUSR2);
    EXPECT_TRUE(targetShows(deliveredText)) << tavik.output().toStdString();
    EXPECT_EQ(linesContaining(QStringLiteral("audio: sound server connection lost")), 1);
    EXPECT_EQ(linesContaining(QStringLiteral("audio: sound server connection regained")), 1);
}

} // namespace
} // namespace tavik::test
