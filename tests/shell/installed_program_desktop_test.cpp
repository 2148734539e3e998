// Tavik as `cmake --install` lays it out, run with the build cache, the build tree and the source
// tree out of its sight: it must carry its own libraries and voice-activity model.
#include "tests/support/dictation_end_to_end.h"
#include "tests/support/fixtures.h"
#include "tests/support/hotkey_xtest_keyboard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

namespace tavik::test {
namespace {

// Mounts an empty file system over each folder given, then becomes the program. Outside root's
// reach the mounts are made in a user namespace of the tester's own, and the program then runs as
// the tester again, so the desktop's buses still know who is calling.
const QString hidingLauncher = QStringLiteral(R"(set -e
program="$1"; identity="$2"; shift 2
for folder in "$@"; do
  if [ -d "$folder" ]; then mount -t tmpfs -o size=64k tavik-hidden "$folder"; fi
done
if [ "$identity" = root ]; then exec "$program"; fi
exec unshare --map-user="${identity%:*}" --map-group="${identity#*:}" "$program")");

class InstalledProgram : public DictationEndToEnd {
protected:
    // Installs the build into a fresh prefix; the program's path there.
    QString install() {
        const QString build = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/..");
        QProcess cmake;
        cmake.setProcessChannelMode(QProcess::MergedChannels);
        cmake.start(QStringLiteral(TAVIK_CMAKE_COMMAND),
                    {"--install", build, "--prefix", prefix.path()});
        EXPECT_TRUE(cmake.waitForFinished(120000));
        EXPECT_EQ(cmake.exitCode(), 0) << cmake.readAll().toStdString();
        return prefix.filePath(QStringLiteral("bin/tavik"));
    }

    // Starts the installed program with `hidden` covered, as the tester (root or not).
    bool startHiding(const QString& program, const QStringList& hidden) {
        const bool root = ::geteuid() == 0;
        const QString identity = root ? QStringLiteral("root")
                                      : QStringLiteral("%1:%2").arg(::geteuid()).arg(::getegid());
        QStringList arguments = {"-m",           "--propagation", "private", "sh",    "-c",
                                 hidingLauncher, "launcher",      program,   identity};
        if (!root) {
            arguments.prepend(QStringLiteral("-r"));
        }
        return tavik.start(QStringLiteral("unshare"), arguments + hidden);
    }

    void TearDown() override { quitTavik(tavik); }

    QTemporaryDir prefix{QDir::tempPath() + "/tavik-install-XXXXXX"};
    TavikProcess tavik;
};

TEST_F(InstalledProgram, RunsWithoutTheBuildAndEndsAHandsFreeDictationAtTheEndOfSpeech) {
    ASSERT_NO_FATAL_FAILURE(prepare());
    if (IsSkipped()) {
        return;
    }
    // The user's own folder holds the speech model only: the voice-activity model is Tavik's.
    const QString ownModels = dataFolder + QStringLiteral("/models");
    ASSERT_TRUE(QFile::remove(ownModels + QStringLiteral("/ggml-silero.bin")));
    const QString program = install();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    EXPECT_TRUE(
        QFileInfo::exists(prefix.filePath(QStringLiteral("share/tavik/models/ggml-silero.bin"))));
    EXPECT_TRUE(QFileInfo::exists(
        prefix.filePath(QStringLiteral("share/tavik/models/LICENSE.silero-vad"))));

    const QString whisperCache = QFileInfo(QStringLiteral(TAVIK_WHISPER_PREFIX)).absolutePath();
    ASSERT_TRUE(QFileInfo(whisperCache).isDir()) << whisperCache.toStdString();
    ASSERT_TRUE(
        startHiding(program, {QDir::cleanPath(QCoreApplication::applicationDirPath() + "/.."),
                              whisperCache, QStringLiteral(TAVIK_SOURCE_DIR)}));
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("model ready"), 60000))
        << tavik.output().toStdString();
    EXPECT_TRUE(tavik.output().contains(QStringLiteral("] VAD ready (hold ")))
        << tavik.output().toStdString();

    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());
    for (int tap = 0; tap < 2; ++tap) {
        keyboard.press("RWIN");
        keyboard.release("RWIN");
    }
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("started handsFree"), 10000))
        << tavik.output().toStdString();
    { PacedMicrophone microphone(withSilenceAfter(speech, 2.0)); }
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("VAD: end of speech"), 10000))
        << tavik.output().toStdString();
    ASSERT_TRUE(targetShows(deliveredText)) << tavik.output().toStdString();
}

} // namespace
} // namespace tavik::test
