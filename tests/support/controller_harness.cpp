#include "tests/support/controller_harness.h"

#include "app/dictation/dictation_wiring.h"

namespace tavik::test {

ControllerStage::ControllerStage() = default;

ControllerStage::~ControllerStage() {
    controller_.reset();
}

void ControllerStage::build() {
    DictationParts parts;
    parts.clock = &clock;
    if (!realQueues) {
        parts.postToMain = [this](std::function<void()> work) {
            mainQueue.post(std::move(work));
        };
    }
    parts.audio = makeAudio ? makeAudio() : std::make_unique<FakeCapture>(capture);
    parts.makeDetector = [this](const QString&) -> std::unique_ptr<dictation::SpeechDetector> {
        if (!detectorLoads) {
            return nullptr;
        }
        return std::make_unique<FakeDetector>(detector);
    };
    parts.makeRecogniser = [this](const QString&) -> std::shared_ptr<dictation::Recogniser> {
        if (!modelLoads) {
            return nullptr;
        }
        return std::make_shared<FakeRecogniser>(recogniser);
    };
    parts.hotkey = std::make_unique<FakeShortcut>(shortcut);
    parts.inserter = std::make_unique<FakeInserter>(record);
    parts.desktop = std::make_unique<FakeDesktop>(record);
    if (preferences != nullptr) {
        parts.settings = dictation::makePreferencesSettings(*preferences);
    } else {
        parts.settings = std::make_unique<FakeSettings>(settings);
    }
    if (sharedStores) {
        parts.stores = dictation::makeDictationStores();
    } else {
        parts.stores = std::make_unique<RecordingStores>(record);
    }
    if (storedTextSteps) {
        parts.textSteps = dictation::makeTextSteps();
    } else if (withTextSteps) {
        parts.textSteps = std::make_unique<RecordingTextSteps>(record);
    }
    if (realQueues) {
        parts.recognitionJobs = dictation::makeSerialJobQueue("tavik.recognition");
        parts.loadJobs = dictation::makeSerialJobQueue("tavik.model-load");
    } else {
        parts.recognitionJobs = std::make_unique<ManualJobs>(recognitionJobs);
        parts.loadJobs = std::make_unique<ManualJobs>(loadJobs);
    }
    parts.signalSource = std::make_unique<FakeSignals>(&signalHandler);
    parts.log = [this](const QString& line) {
        std::lock_guard lock(logMutex_);
        log_ << line;
    };
    parts.environmentHas = [this](const char* name) {
        return environment.count(QString::fromLatin1(name)) > 0;
    };
    controller_ = std::make_unique<DictationController>(std::move(parts));
}

void ControllerStage::start(bool loadModel) {
    build();
    controller_->start();
    drain();
    if (loadModel) {
        loadModels();
    }
}

void ControllerStage::loadModels() {
    while (!loadJobs->empty()) {
        auto job = std::move(loadJobs->front());
        loadJobs->pop_front();
        job();
        drain();
    }
}

void ControllerStage::advance(double seconds) {
    const auto steps = static_cast<int>(seconds * 100 + 0.5);
    for (int i = 0; i < steps; ++i) {
        clock.advanceMs(10);
        drain();
    }
}

bool ControllerStage::runNextJob() {
    if (recognitionJobs->empty()) {
        return false;
    }
    auto job = std::move(recognitionJobs->front());
    recognitionJobs->pop_front();
    job();
    drain();
    return true;
}

void ControllerStage::runJobs() {
    while (runNextJob()) {
    }
}

void ControllerStage::press(dictation::Action action) {
    shortcut->onStart(action);
    drain();
}

void ControllerStage::release(double heldSeconds) {
    shortcut->onHoldEnd(dictation::Action::pushToTalk, heldSeconds);
    drain();
}

void ControllerStage::escape() {
    shortcut->onEscape();
    drain();
}

void ControllerStage::speak(double seconds, float amplitude) {
    const auto count = static_cast<std::size_t>(seconds * 16000 + 0.5);
    Samples chunk(count);
    for (std::size_t i = 0; i < count; ++i) {
        chunk[i] = (i % 2 == 0 ? amplitude : -amplitude);
    }
    if (capture->utteranceOpen) {
        capture->utterance.insert(capture->utterance.end(), chunk.begin(), chunk.end());
        if (capture->onSamples) {
            capture->onSamples(chunk);
        }
    }
}

// Detector notifications arrive on the main queue, after whatever is already there.
void ControllerStage::pauseEvent() {
    mainQueue.post([this] { detector->onPause(); });
}

void ControllerStage::resumedEvent() {
    mainQueue.post([this] { detector->onResumed(); });
}

void ControllerStage::endOfSpeechEvent() {
    mainQueue.post([this] { detector->onEnd(); });
}

void ControllerStage::signal(int signalNumber) {
    signalHandler(signalNumber);
    drain();
}

QStringList ControllerStage::takeLog() {
    std::lock_guard lock(logMutex_);
    QStringList fresh = log_.mid(logTaken_);
    logTaken_ = static_cast<int>(log_.size());
    return fresh;
}

QStringList ControllerStage::log() const {
    std::lock_guard lock(logMutex_);
    return log_;
}

} // namespace tavik::test
