#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace tavik::test {

// Runs pactl against the test desktop's sound server; its output, or none when it failed.
std::optional<QString> pactl(const QStringList& arguments);

// A module loaded into the test sound server for the life of the object.
class PulseModule {
public:
    PulseModule(const QString& module, const QStringList& arguments);
    ~PulseModule();
    PulseModule(const PulseModule&) = delete;
    PulseModule& operator=(const PulseModule&) = delete;

    bool loaded() const { return index_ >= 0; }
    void unload(); // the device vanishes now, as on an unplug

private:
    int index_ = -1;
};

// A pipe source (a microphone the test speaks through) in its own temporary folder.
class PipeMicrophone {
public:
    PipeMicrophone(const QString& sourceName, int channels = 1,
                   const QString& extraProperties = {});
    ~PipeMicrophone();

    bool loaded() const { return module_ != nullptr && module_->loaded(); }
    QString fifo() const { return folder_.filePath("mic.fifo"); }
    void unload() { module_->unload(); }

private:
    QTemporaryDir folder_;
    std::unique_ptr<PulseModule> module_;
};

// Writes float32 samples into a FIFO from a thread of its own (a full pipe must not stall the
// test's event loop). Joined on destruction.
class MicFeeder {
public:
    MicFeeder(const QString& fifo, std::vector<float> samples);
    ~MicFeeder();
    MicFeeder(const MicFeeder&) = delete;
    MicFeeder& operator=(const MicFeeder&) = delete;

private:
    std::thread writer_;
};

// The test desktop's own microphone FIFO ($TAVIK_TEST_MIC_FIFO).
QString desktopMicFifo();

// A sound file from the shared fixtures as 16 kHz mono float samples; empty on failure.
std::vector<float> readMonoSamples(const QString& path);

} // namespace tavik::test
