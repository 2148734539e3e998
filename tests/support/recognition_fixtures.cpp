#include "tests/support/recognition_fixtures.h"

#include "platform/folders.h"
#include "tests/support/fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sndfile.h>

namespace tavik::test {

QString testModelTool() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           "/../tools/test-model/tavik-test-model");
}

QString generateTestModel(const QString& folder, const QString& fileName,
                          const QStringList& arguments) {
    const QString path = QDir(folder).filePath(fileName);
    if (!runTool(testModelTool(), QStringList(arguments) << path) || !QFileInfo(path).isFile()) {
        return QString();
    }
    return path;
}

QString sileroModelIn(const QString& folder) {
    const QString shipped = projectFixture(QStringLiteral("models/ggml-silero-v6.2.0.bin"));
    if (!QFileInfo(shipped).isFile()) {
        return QString();
    }
    const QString path = QDir(folder).filePath("ggml-silero.bin");
    QFile::remove(path);
    return QFile::link(shipped, path) ? path : QString();
}

void installModelsHearing(const QString& phrase) {
    const QString models =
        platform::joinPath(platform::Folders::fromEnvironment().data, QStringLiteral("models"));
    ASSERT_TRUE(QDir().mkpath(models));
    ASSERT_FALSE(generateTestModel(models, QStringLiteral("ggml-base.en.bin"),
                                   {QStringLiteral("--phrase"), phrase})
                     .isEmpty());
    ASSERT_FALSE(sileroModelIn(models).isEmpty());
}

std::vector<float> readSamples(const QString& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (file == nullptr) {
        return {};
    }
    std::vector<float> samples;
    if (info.samplerate == 16000 && info.channels == 1 && info.frames > 0) {
        samples.resize(static_cast<size_t>(info.frames));
        samples.resize(static_cast<size_t>(sf_readf_float(file, samples.data(), info.frames)));
    }
    sf_close(file);
    return samples;
}

bool runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        return false;
    }
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace tavik::test
