#include "app/stores/vocabulary.h"
#include "platform/defaults_store.h"

#include <QJsonArray>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tavik {
namespace {

class VocabularyStore : public ::testing::Test {
protected:
    QString home = qEnvironmentVariable("HOME");
    std::shared_ptr<const VocabularyLexicon> noWords =
        std::make_shared<const VocabularyLexicon>(QStringList{home + "/no-such-word-list"});
    // One defaults file per test, so the tests also hold when run in one process.
    QString defaultsPath = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Tavik-" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                           "/defaults.json";
    platform::DefaultsStore defaults{defaultsPath};
};

TEST_F(VocabularyStore, TermsAreWrittenThroughAndReadBack) {
    EXPECT_FALSE(defaults.contains("vocabulary"));
    {
        Vocabulary vocabulary(defaults, noWords);
        EXPECT_TRUE(vocabulary.terms().isEmpty());
        EXPECT_FALSE(defaults.contains("vocabulary")) << "loading writes nothing";
        QSignalSpy changes(&vocabulary, &Vocabulary::termsChanged);
        vocabulary.setTerms({"Kubernetes", "Postgres", "Kubernetes"});
        EXPECT_EQ(changes.count(), 1);
        vocabulary.setTerms({});
        EXPECT_EQ(defaults.stringArray("vocabulary"), QStringList{}) << "[] rather than removed";
        vocabulary.setTerms({"Kubernetes", "Postgres", "Kubernetes"});
    }
    platform::DefaultsStore reopened(defaultsPath);
    Vocabulary again(reopened, noWords);
    EXPECT_EQ(again.terms(), (QStringList{"Kubernetes", "Postgres", "Kubernetes"}));
}

TEST_F(VocabularyStore, PromptHoldsTheFirstHundredTwentyTerms) {
    Vocabulary vocabulary(defaults, noWords);
    EXPECT_FALSE(vocabulary.promptText().has_value());
    vocabulary.setTerms({"Kubernetes", "Postgres"});
    EXPECT_EQ(vocabulary.promptText(), "Kubernetes, Postgres.");
    vocabulary.setTerms({" spaced term "});
    EXPECT_EQ(vocabulary.promptText(), " spaced term .");
    QStringList many;
    for (int i = 1; i <= 121; ++i) {
        many.append("term" + QString::number(i));
    }
    vocabulary.setTerms(many);
    const QString prompt = *vocabulary.promptText();
    EXPECT_EQ(prompt.count(", "), 119);
    EXPECT_TRUE(prompt.endsWith("term120."));
    EXPECT_FALSE(prompt.contains("term121"));
}

TEST_F(VocabularyStore, AnEmptyListNeverLoadsTheWordList) {
    Vocabulary vocabulary(defaults, noWords);
    EXPECT_EQ(vocabulary.correct("we deploy to kubernetis today"), "we deploy to kubernetis today");
    EXPECT_FALSE(noWords->isLoaded());
    vocabulary.setTerms({"Kubernetes"});
    EXPECT_EQ(vocabulary.correct(""), "");
    EXPECT_EQ(vocabulary.correct("tiny word list"), "tiny word list");
    EXPECT_FALSE(noWords->isLoaded()) << "no word reached the word-list step";
    EXPECT_EQ(vocabulary.correct("we deploy to kubernetis today"), "we deploy to Kubernetes today");
    EXPECT_TRUE(noWords->isLoaded());
}

TEST_F(VocabularyStore, AValueOfAnotherKindIsKeptAsideBeforeTheFirstChange) {
    const QByteArray foreign = "not a list";
    defaults.setData("vocabulary", foreign);
    Vocabulary vocabulary(defaults, noWords);
    EXPECT_TRUE(vocabulary.terms().isEmpty());
    EXPECT_EQ(defaults.data("vocabulary"), foreign) << "loading leaves it alone";
    vocabulary.setTerms({"OAuth"});
    EXPECT_EQ(defaults.stringArray("vocabulary"), QStringList{"OAuth"});
    EXPECT_EQ(defaults.data("vocabulary.unreadable"), foreign);
}

TEST_F(VocabularyStore, SuggestionsEndWithTheSixDeveloperTerms) {
    const QStringList& suggestions = Vocabulary::suggestions();
    ASSERT_EQ(suggestions.size(), 18);
    EXPECT_EQ(suggestions.mid(12),
              (QStringList{"Kubernetes", "Postgres", "idempotency", "webhook", "OAuth", "Azure"}));
    EXPECT_EQ(QSet<QString>(suggestions.begin(), suggestions.end()).size(), 18);
}

TEST_F(VocabularyStore, CorrectionOnAWorkerSeesOneWholeListWhileMainReplacesIt) {
    Vocabulary vocabulary(defaults, noWords);
    const QStringList first = {"Kubernetes", "Postgres"};
    const QStringList second = {"Grafana", "Terraform"};
    vocabulary.setTerms(first);
    std::atomic<bool> stop{false};
    std::atomic<int> mixed{0};
    std::atomic<int> runs{0};
    std::thread worker([&] {
        while (!stop.load()) {
            const QString out = vocabulary.correct("kubernetis grafanna");
            const bool fromFirst = out == "Kubernetes grafanna";
            const bool fromSecond = out == "kubernetis Grafana";
            mixed += (fromFirst || fromSecond) ? 0 : 1;
            ++runs;
        }
    });
    for (int i = 0; i < 400 || runs.load() < 50; ++i) {
        vocabulary.setTerms(i % 2 == 0 ? second : first);
    }
    stop = true;
    worker.join();
    EXPECT_EQ(mixed.load(), 0);
}

} // namespace
} // namespace tavik
