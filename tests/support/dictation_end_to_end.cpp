#include "tests/support/dictation_end_to_end.h"

#include "platform/defaults_store.h"
#include "platform/folders.h"
#include "tests/support/fixtures.h"
#include "tests/support/recognition_fixtures.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace tavik::test {

const QString DictationEndToEnd::spokenPhrase =
    QStringLiteral("Ask not what Tavick can do for you, my signature");
const QString DictationEndToEnd::deliveredText =
    QStringLiteral("Ask not what Tavik can do for you, Yours, Tavik");

void DictationEndToEnd::prepare() {
    TAVIK_REQUIRE_DESKTOP();
    TAVIK_REQUIRE_FIXTURE(speechFile, "audio/jfk.wav");
    ASSERT_TRUE(QFile::exists(TavikProcess::program())) << "build the tavik program first";
    speech = readSamples(speechFile);
    ASSERT_FALSE(speech.empty());

    ASSERT_NO_FATAL_FAILURE(installModelsHearing(spokenPhrase));
    dataFolder = platform::Folders::fromEnvironment().data;

    auto& defaults = platform::DefaultsStore::shared();
    defaults.setStringArray(QStringLiteral("vocabulary"), {QStringLiteral("Tavik")});
    const QJsonArray snippets{
        QJsonObject{{QStringLiteral("id"), QStringLiteral("5B0C3F4E-8F7A-4C55-9C1E-2B2D7F1A9E10")},
                    {QStringLiteral("trigger"), QStringLiteral("my signature")},
                    {QStringLiteral("expansion"), QStringLiteral("Yours, Tavik")},
                    {QStringLiteral("enabled"), true}}};
    defaults.setData(QStringLiteral("snippets"),
                     QJsonDocument(snippets).toJson(QJsonDocument::Compact));
    // Not the first launch: the main window would open by itself and take the keyboard from
    // the target.
    defaults.setBool(QStringLiteral("hasLaunchedBefore"), true);
    ASSERT_TRUE(defaults.flush());

    ASSERT_TRUE(target.start()) << target.error().toStdString();
    ASSERT_TRUE(target.activate("field"));
}

void DictationEndToEnd::startTavik(TavikProcess& tavik, const QProcessEnvironment& environment) {
    ASSERT_TRUE(tavik.start(environment));
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("model ready"), 60000))
        << tavik.output().toStdString();
}

void DictationEndToEnd::quitTavik(TavikProcess& tavik) {
    if (!tavik.running()) {
        return;
    }
    EXPECT_EQ(tavik.terminate(), 0) << tavik.output().toStdString();
    EXPECT_TRUE(tavik.output().contains(QStringLiteral("] quitting")));
    EXPECT_TRUE(tavik.output().contains(QStringLiteral("[tavik] exited cleanly")) ||
                logFileText().contains(QStringLiteral("[tavik] exited cleanly\n")));
}

QString DictationEndToEnd::logFileText() const {
    QFile file(platform::joinPath(platform::Folders::fromEnvironment().state,
                                  QStringLiteral("tavik.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QJsonArray DictationEndToEnd::history() const {
    QFile file(platform::joinPath(dataFolder, QStringLiteral("history.json")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).array();
}

bool DictationEndToEnd::targetShows(const QString& text, int timeoutMs) {
    return spinUntil([&] { return target.text().contains(text); }, timeoutMs);
}

} // namespace tavik::test
