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

// Makes `name` the server's default source and waits until the server says so (PipeWire's
// session manager takes the choice a moment after the request).
bool setDefaultSource(const QString& name);

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

// A source with no sound behind it (a virtual device), loaded in the way the desktop's kind of
// server offers one; `channelMap` names its channels.
std::unique_ptr<PulseModule> loadNullSource(const QString& name, int channels, int rate,
                                            const QString& channelMap, const QString& description);

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

// Where `spoken` stands in `heard`, sample for sample (within `tolerance`), with nothing but
// exact silence around it; none when it does not. PulseAudio delivers only what was written
// into a pipe source; PipeWire also fills the time nobody writes with silence.
std::optional<std::size_t> findAmidSilence(const std::vector<float>& heard,
                                           const std::vector<float>& spoken, float tolerance);

// The same, except that what came before `spoken` may be anything: the tail of what an earlier
// test spoke, which PipeWire's pipe source can still hold (64 samples of it were seen) when the
// next test starts to listen.
std::optional<std::size_t> findAfterEarlierAudio(const std::vector<float>& heard,
                                                 const std::vector<float>& spoken, float tolerance);

// `samples` followed by 0.1 s of silence. PipeWire's pipe source holds back the last few samples
// written until more come: the silence lets all of what a test speaks through.
std::vector<float> withTrailingSilence(std::vector<float> samples);

// The test desktop's own microphone FIFO ($TAVIK_TEST_MIC_FIFO).
QString desktopMicFifo();

// A sound file from the shared fixtures as 16 kHz mono float samples; empty on failure.
std::vector<float> readMonoSamples(const QString& path);

} // namespace tavik::test
