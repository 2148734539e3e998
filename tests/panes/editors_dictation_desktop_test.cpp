// The dictionary and snippets panes in front of the real dictation pipeline on the test desktop:
// the desktop's microphone, the voice-activity model and a scripted recognition model. What the
// person adds in the panes has to shape the very next dictation.
#include "app/dictation/dictation_wiring.h"
#include "app/panes/dictionary/dictionary_pane.h"
#include "app/panes/snippets/snippets_pane.h"
#include "app/shell/design/field.h"
#include "app/stores/preferences.h"
#include "app/stores/scratchpad.h"
#include "app/stores/snippets.h"
#include "app/stores/vocabulary.h"
#include "platform/folders.h"
#include "tests/support/controller_app_process.h"
#include "tests/support/controller_harness.h"
#include "tests/support/fixtures.h"
#include "tests/support/recognition_fixtures.h"

#include <QDir>
#include <QPushButton>
#include <QTest>

#include <mutex>

namespace tavik::test {
namespace {

using namespace std::chrono_literals;

// What the scripted model hears, whatever is said. "Tavick" is only fixed once "Tavik" is a
// term, and "my signature" only expands once it is a snippet.
const QString spokenPhrase = QStringLiteral("Ask not what Tavick can do for you, my signature");
const QString shapedText = QStringLiteral("Ask not what Tavik can do for you, Yours, Tavik");

// The prompt each recognition ran with, taken from the real recogniser's side of the call.
struct PromptLog {
    std::mutex mutex;
    QString current;
    QStringList atRecognition;
};

class PromptWitness final : public dictation::Recogniser {
public:
    PromptWitness(std::shared_ptr<dictation::Recogniser> real, std::shared_ptr<PromptLog> log)
        : real_(std::move(real)), log_(std::move(log)) {}
    dictation::RecognitionResult transcribeScored(const Samples& samples) override {
        {
            std::lock_guard lock(log_->mutex);
            log_->atRecognition << log_->current;
        }
        return real_->transcribeScored(samples);
    }
    void setVocabularyPrompt(const QString& prompt) override {
        {
            std::lock_guard lock(log_->mutex);
            log_->current = prompt;
        }
        real_->setVocabularyPrompt(prompt);
    }
    void warmUp() override { real_->warmUp(); }

private:
    std::shared_ptr<dictation::Recogniser> real_;
    std::shared_ptr<PromptLog> log_;
};

QPushButton* addButton(QWidget& pane) {
    for (auto* button : pane.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Add")) {
            return button;
        }
    }
    return nullptr;
}

QLineEdit* field(QWidget& pane, int index) {
    return pane.findChildren<design::TavikField*>().at(index)->lineEdit();
}

TEST(EditorsDictationDesktop, ATermAndASnippetAddedInThePanesShapeTheNextDictation) {
    TAVIK_REQUIRE_DESKTOP();
    TAVIK_REQUIRE_FIXTURE(speechFile, "audio/jfk.wav");
    const std::vector<float> speech = readSamples(speechFile);
    ASSERT_FALSE(speech.empty());
    const QString models =
        platform::joinPath(platform::Folders::fromEnvironment().data, QStringLiteral("models"));
    ASSERT_TRUE(QDir().mkpath(models));
    ASSERT_FALSE(generateTestModel(models, QStringLiteral("ggml-base.en.bin"),
                                   {QStringLiteral("--phrase"), spokenPhrase})
                     .isEmpty());
    ASSERT_FALSE(sileroModelIn(models).isEmpty()) << "the shipped voice-activity model is missing";

    Preferences::shared().setDictateToScratchpad(true);
    Preferences::shared().setPlaySounds(false);
    auto prompts = std::make_shared<PromptLog>();
    DictationParts parts = dictation::makeApplicationParts();
    parts.makeRecogniser = [real = dictation::recogniserFactory(), prompts](
                               const QString& path) -> std::shared_ptr<dictation::Recogniser> {
        auto loaded = real(path);
        return loaded ? std::make_shared<PromptWitness>(loaded, prompts) : nullptr;
    };
    // The desktop's shortcut and the process's signals stay out of it: the test starts and
    // stops the recording as the floating button does.
    parts.hotkey = std::make_unique<FakeShortcut>(std::make_shared<ShortcutScript>());
    std::function<void(int)> signalHandler;
    parts.signalSource = std::make_unique<FakeSignals>(&signalHandler);
    DictationController controller(std::move(parts));
    controller.start();
    ASSERT_TRUE(
        spinUntil([&] { return controller.state().is(dictation::State::Kind::idle); }, 60000))
        << controller.state().toLogString().toStdString();

    panes::DictionaryPane dictionary(controller);
    panes::SnippetsPane snippets;
    dictionary.show();
    snippets.show();
    QTest::keyClicks(field(dictionary, 0), QStringLiteral("Tavik"));
    QTest::keyClick(field(dictionary, 0), Qt::Key_Return);
    QTest::keyClicks(field(snippets, 0), QStringLiteral("my signature"));
    QTest::keyClicks(field(snippets, 1), QStringLiteral("Yours, Tavik"));
    QTest::mouseClick(addButton(snippets), Qt::LeftButton);
    ASSERT_EQ(Vocabulary::shared().terms(), QStringList{QStringLiteral("Tavik")});
    ASSERT_EQ(Snippets::shared().items().size(), 1);

    controller.toggleFromOrb();
    ASSERT_TRUE(
        spinUntil([&] { return controller.state().is(dictation::State::Kind::recording); }, 10000));
    {
        PacedMicrophone microphone(withSilenceAfter(speech, 0.5));
        ASSERT_TRUE(spinUntil([&] { return microphone.finished(); }, 30000));
    }
    if (controller.state().is(dictation::State::Kind::recording)) {
        controller.toggleFromOrb();
    }
    ASSERT_TRUE(spinUntil([] { return !Scratchpad::shared().text().isEmpty(); }, 30000))
        << controller.state().toLogString().toStdString();

    EXPECT_EQ(Scratchpad::shared().text(), shapedText);
    const auto expectedPrompt = Vocabulary::shared().promptText();
    ASSERT_TRUE(expectedPrompt.has_value());
    EXPECT_TRUE(expectedPrompt->contains(QStringLiteral("Tavik")));
    std::lock_guard lock(prompts->mutex);
    ASSERT_FALSE(prompts->atRecognition.isEmpty());
    EXPECT_EQ(prompts->atRecognition.last(), *expectedPrompt);
    controller.shutdown();
}

} // namespace
} // namespace tavik::test
