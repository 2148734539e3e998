#include "app/stores/vocabulary_correction.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using vocabulary::Corrector;
using vocabulary::skeleton;

// A lexicon whose files do not exist: nothing counts as an ordinary word.
VocabularyLexicon noWords() {
    return VocabularyLexicon({qEnvironmentVariable("HOME") + "/no-such-word-list"});
}

QString corrected(const QStringList& terms, const QString& text) {
    const VocabularyLexicon lexicon = noWords();
    return Corrector(terms, lexicon).correct(text);
}

TEST(VocabularySkeleton, FollowsTheSoundRules) {
    EXPECT_EQ(skeleton("Kubernetes"), "kkbrnts");
    EXPECT_EQ(skeleton("phone"), "ffn");
    EXPECT_EQ(skeleton("azure"), "asr");
    EXPECT_EQ(skeleton("quick"), "kkk");
    EXPECT_EQ(skeleton("Postgres"), "ppstgrs");
    EXPECT_EQ(skeleton("postgress"), "ppstgrs");
    EXPECT_EQ(skeleton("OAuth"), "oth");
    EXPECT_EQ(skeleton("12345"), "");
    EXPECT_EQ(skeleton(""), "");
    EXPECT_EQ(skeleton("yes-sir 42"), "yysr"); // y counts as a consonant; digits and signs go
    EXPECT_EQ(skeleton("Straße"), "sstrß");
    EXPECT_EQ(skeleton("o\u0308o\u0308l"), "o\u0308o\u0308l"); // ö is a consonant here, collapsed
}

TEST(VocabularyDistance, CountsCharactersAndCanonicalEquivalents) {
    vocabulary::CharacterCodes codes;
    EXPECT_EQ(vocabulary::editDistance(codes.encode("kitten"), codes.encode("sitting")), 3);
    EXPECT_EQ(vocabulary::editDistance(codes.encode(""), codes.encode("abc")), 3);
    EXPECT_EQ(vocabulary::editDistance(codes.encode("café"), codes.encode("cafe\u0301")), 0);
    EXPECT_EQ(vocabulary::editDistance(codes.encode("cafe"), codes.encode("cafe\u0301")), 1);
    EXPECT_EQ(vocabulary::editDistance(codes.encode("👩‍👩‍👧x"),
                                       codes.encode("👩‍👩‍👦x")),
              1);
    EXPECT_EQ(vocabulary::similarity(codes.encode(""), codes.encode("")), 0.0);
    EXPECT_EQ(vocabulary::similarity(codes.encode("abcde"), codes.encode("abcdx")), 0.8);
}

TEST(VocabularyCorrection, TheWorkedExamples) {
    const QStringList terms = {"Kubernetes", "Postgres", "webhook"};
    EXPECT_EQ(corrected(terms, "we deploy to kubernetis today"), "we deploy to Kubernetes today");
    EXPECT_EQ(corrected(terms, "Postgress and web hook"), "Postgres and web hook");
    EXPECT_EQ(corrected(terms, "the webhooks fired"), "the webhook fired");
    EXPECT_EQ(corrected(terms, "Kubernetis"), "Kubernetes");
    EXPECT_EQ(corrected(terms, "kubernetes"), "kubernetes");
    EXPECT_EQ(corrected(terms, "Webhooks"), "Webhook");
    EXPECT_EQ(corrected(terms, "postgress"), "Postgres"); // the term's capitals are kept
}

TEST(VocabularyCorrection, LengthAndScoreThresholds) {
    EXPECT_EQ(corrected({"abcd"}, "abcx"), "abcx");    // four characters are never judged
    EXPECT_EQ(corrected({"abcde"}, "abcdx"), "abcde"); // exactly 0.8 is enough
    EXPECT_EQ(corrected({"abcdefghi"}, "abcdefgxy"), "abcdefgxy"); // 7/9 is not
    EXPECT_EQ(corrected({"abcdf", "abcdg"}, "abcdx"), "abcdf");    // equal scores: first wins
    EXPECT_EQ(corrected({"abcdg", "abcdf"}, "abcdx"), "abcdg");
    EXPECT_EQ(corrected({"zzzzz"}, "abcdx"), "abcdx"); // nothing alike
}

TEST(VocabularyCorrection, EverythingButLettersAndNumbersSplitsWords) {
    const QStringList terms = {"Kubernetes"};
    EXPECT_EQ(corrected(terms, "kubernetis-based, kubernetis's\nkubernetis"),
              "Kubernetes-based, Kubernetes's\nKubernetes");
    EXPECT_EQ(corrected(terms, "kubernetis2"), "Kubernetes"); // digits belong to the word
    EXPECT_EQ(corrected({"abc123"}, "abc124 and abc 123"), "abc123 and abc 123");
    EXPECT_EQ(corrected(terms, "  ¿kubernetis?  "), "  ¿Kubernetes?  ");
    EXPECT_EQ(corrected(terms, ""), "");
}

TEST(VocabularyCorrection, CharactersAreUserPerceivedAndCanonical) {
    const QStringList terms = {"Schrödinger"};
    // Equal to the term once lower-cased and composed: left exactly as recognised.
    EXPECT_EQ(corrected(terms, "schro\u0308dinger"), "schro\u0308dinger");
    EXPECT_EQ(corrected(terms, "Schro\u0308dingers"), "Schrödinger");
    // "é" written as e + accent is one character: one substitution in five, so 0.8.
    EXPECT_EQ(corrected({"Renée"}, "rene\u0301a"), "Renée");
    EXPECT_EQ(corrected({"émigrés"}, "Émigrées"), "Émigrés"); // first character upper-cased
}

TEST(VocabularyCorrection, RealWordsFromTheSystemListAreNeverReplaced) {
    if (!QFileInfo::exists("/usr/share/dict/words") && !QFileInfo::exists("/usr/dict/words")) {
        GTEST_SKIP() << "no system word list (Debian package wamerican)";
    }
    const VocabularyLexicon lexicon({"/usr/share/dict/words", "/usr/dict/words"});
    const QStringList terms = {"Kubernetes", "Postgres", "Grafana", "Docker", "Redis", "Terraform"};
    const QString ordinary = "the posters and postures of the griffin docket, rides therefrom";
    EXPECT_EQ(Corrector(terms, lexicon).correct(ordinary), ordinary);
    // Without the word list every one of those would have been "corrected".
    EXPECT_NE(corrected(terms, ordinary), ordinary);

    EXPECT_EQ(Corrector(terms, lexicon)
                  .correct("we moved kubernetis and postgress to grafanna with terraforms"),
              "we moved Kubernetes and Postgres to Grafana with Terraform");
}

TEST(VocabularyLexicon, ReadsTheFirstUsableFileOnceAndLowerCasesIt) {
    const QString folder = qEnvironmentVariable("HOME");
    const QString invalid = folder + "/latin1-words";
    const QString valid = folder + "/words";
    {
        QFile file(invalid);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("caf\xe9\nplain\n");
    }
    {
        QFile file(valid);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Apple\n\nSTRASSE\r\nÉcole\n");
    }
    const VocabularyLexicon lexicon({folder + "/missing", invalid, valid});
    EXPECT_FALSE(lexicon.isLoaded());
    EXPECT_TRUE(lexicon.contains("apple"));
    EXPECT_TRUE(lexicon.isLoaded());
    EXPECT_TRUE(lexicon.contains("école"));
    EXPECT_TRUE(lexicon.contains("strasse\r")); // no trimming beyond the line feed
    EXPECT_FALSE(lexicon.contains("strasse"));
    EXPECT_FALSE(lexicon.contains("plain")); // from the file that was not UTF-8
    EXPECT_EQ(lexicon.size(), 3);
    EXPECT_EQ(noWords().size(), 0);
}

} // namespace
} // namespace tavik
