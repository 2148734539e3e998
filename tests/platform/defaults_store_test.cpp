#include "platform/defaults_store.h"

#include "platform/folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tavik::platform {
namespace {

class DefaultsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir root{QDir::homePath() + "/defaults-XXXXXX"};
    QString folder = root.path() + "/Tavik";
    QString path = folder + "/defaults.json";

    void writeFile(const QByteArray& text) {
        QDir().mkpath(folder);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    QByteArray fileText() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QJsonObject fileObject() const { return QJsonDocument::fromJson(fileText()).object(); }

    // One store per read, as a fresh run of the program would see the file.
    DefaultsStore reader() const { return DefaultsStore(path); }
};

TEST_F(DefaultsStoreTest, MissingFileReadsAsEmptyAndIsNotCreatedByReading) {
    DefaultsStore store(path);
    EXPECT_FALSE(store.contains("silenceHoldMs"));
    EXPECT_EQ(store.exactInt("silenceHoldMs"), std::nullopt);
    EXPECT_EQ(store.string("model"), std::nullopt);
    EXPECT_FALSE(store.boolean("dictateToScratchpad"));
    EXPECT_EQ(store.data("bindings"), std::nullopt);
    EXPECT_TRUE(store.flush());
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(DefaultsStoreTest, ExactReadsAcceptOnlyValuesOfTheSettingsType) {
    writeFile(R"({"asString":"1200","whole":1200,"wholeAsFraction":1200.0,"fraction":2.5,
                  "huge":1e300,"negative":-7,"flag":true,"null":null,"list":[1],
                  "blob":{"$data":"AQI="},"one":1,"zero":0.0,"two":2,"no":"no"})");
    const DefaultsStore store(path);
    EXPECT_EQ(store.exactInt("whole"), 1200);
    EXPECT_EQ(store.exactInt("wholeAsFraction"), 1200);
    EXPECT_EQ(store.exactInt("negative"), -7);
    for (const char* key :
         {"asString", "fraction", "huge", "flag", "null", "list", "blob", "no", "absent"}) {
        EXPECT_EQ(store.exactInt(key), std::nullopt) << key;
    }
    EXPECT_EQ(store.exactBool("flag"), true);
    EXPECT_EQ(store.exactBool("one"), true);
    EXPECT_EQ(store.exactBool("zero"), false);
    for (const char* key : {"two", "no", "asString", "fraction", "null", "blob", "absent"}) {
        EXPECT_EQ(store.exactBool(key), std::nullopt) << key;
    }
}

TEST_F(DefaultsStoreTest, StringReadGivesNumbersAsTheirText) {
    writeFile(R"({"uid":"Built-in","five":5,"fraction":2.5,"flag":true,"list":["a"],"null":null})");
    const DefaultsStore store(path);
    EXPECT_EQ(store.string("uid"), "Built-in");
    EXPECT_EQ(store.string("five"), "5");
    EXPECT_EQ(store.string("fraction"), "2.5");
    for (const char* key : {"flag", "list", "null", "absent"}) {
        EXPECT_EQ(store.string(key), std::nullopt) << key;
    }
}

TEST_F(DefaultsStoreTest, BooleanReadIsLenientAndFalseWhenInDoubt) {
    writeFile(R"({"t":true,"f":false,"one":1,"half":0.5,"zero":0,"YES":"YES","True":"True",
                  "s1":"1","s2":"2","abc":"abc","no":"no","null":null,"list":[true],
                  "blob":{"$data":"AQ=="}})");
    const DefaultsStore store(path);
    for (const char* key : {"t", "one", "half", "YES", "True", "s1"}) {
        EXPECT_TRUE(store.boolean(key)) << key;
    }
    for (const char* key : {"f", "zero", "s2", "abc", "no", "null", "list", "blob", "absent"}) {
        EXPECT_FALSE(store.boolean(key)) << key;
    }
}

TEST_F(DefaultsStoreTest, DataReadTakesOnlyTheDataObject) {
    writeFile(R"({"ok":{"$data":"aGVsbG8="},"empty":{"$data":""},"rawArray":["pushToTalk"],
                  "badBase64":{"$data":"not base64!"},"extra":{"$data":"aGk=","x":1},
                  "text":"aGVsbG8=","number":{"$data":5}})");
    const DefaultsStore store(path);
    EXPECT_EQ(store.data("ok"), QByteArray("hello"));
    EXPECT_EQ(store.data("empty"), QByteArray());
    for (const char* key : {"rawArray", "badBase64", "extra", "text", "number", "absent"}) {
        EXPECT_EQ(store.data(key), std::nullopt) << key;
    }
}

TEST_F(DefaultsStoreTest, StringArrayReadNeedsEveryElementToBeAString) {
    writeFile(R"({"terms":["Kubernetes","Tavik"],"none":[],"mixed":["a",1],"text":"a"})");
    const DefaultsStore store(path);
    EXPECT_EQ(store.stringArray("terms"), (QStringList{"Kubernetes", "Tavik"}));
    EXPECT_EQ(store.stringArray("none"), QStringList());
    EXPECT_EQ(store.stringArray("mixed"), std::nullopt);
    EXPECT_EQ(store.stringArray("text"), std::nullopt);
}

TEST_F(DefaultsStoreTest, EveryWriteKindReadsBackInTheNextRun) {
    {
        DefaultsStore store(path);
        store.setInt("audioBudgetMB", 9'000'000'000'000LL);
        store.setBool("showOrb", false);
        store.setString("model", "ggml-small.en.bin");
        store.setData("bindings", QByteArray("\x00\xff[]", 4));
        store.setStringArray("vocabulary", {"Tavik", "naïve"});
        store.setString("microphoneUID", "gone");
        store.remove("microphoneUID");
    }
    const DefaultsStore store = reader();
    EXPECT_EQ(store.exactInt("audioBudgetMB"), 9'000'000'000'000LL);
    EXPECT_EQ(store.exactBool("showOrb"), false);
    EXPECT_EQ(store.string("model"), "ggml-small.en.bin");
    EXPECT_EQ(store.data("bindings"), QByteArray("\x00\xff[]", 4));
    EXPECT_EQ(store.stringArray("vocabulary"), (QStringList{"Tavik", "naïve"}));
    EXPECT_FALSE(store.contains("microphoneUID"));
}

TEST_F(DefaultsStoreTest, FileIsPrivateAndReadableByAPerson) {
    DefaultsStore store(path);
    store.setInt("silenceHoldMs", 900);
    store.setBool("keepAudio", true);

    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    const QByteArray text = fileText();
    EXPECT_TRUE(text.contains("\n    \"silenceHoldMs\": 900")) << text.toStdString();
    EXPECT_EQ(fileObject(), (QJsonObject{{"silenceHoldMs", 900}, {"keepAudio", true}}));
}

TEST_F(DefaultsStoreTest, OutsideEditsAreSeenAndSurviveWritesOfOtherKeys) {
    DefaultsStore store(path);
    store.setInt("silenceHoldMs", 800);
    // Someone edits the file by hand while the program runs.
    writeFile(R"({"silenceHoldMs":800,"modelDirectory":"/opt/models","hand":[1,2]})");
    EXPECT_EQ(store.string("modelDirectory"), "/opt/models");

    store.setBool("playSounds", false);
    EXPECT_EQ(fileObject(), (QJsonObject{{"silenceHoldMs", 800},
                                         {"modelDirectory", "/opt/models"},
                                         {"hand", QJsonArray{1, 2}},
                                         {"playSounds", false}}));
}

TEST_F(DefaultsStoreTest, UnparsableFileReadsEmptyAndIsMovedAsideAtTheFirstRead) {
    const QByteArray broken = R"({"snippets": {"$data": "AAA=")"; // cut off mid-write
    writeFile(broken);
    DefaultsStore store(path);
    EXPECT_FALSE(store.contains("snippets"));
    // Found broken at start: aside at once, so the window can say where it is.
    const QStringList aside =
        QDir(folder).entryList({"defaults.json.unreadable-*"}, QDir::Files, QDir::Name);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(path));

    store.setBool("showHUD", false);
    EXPECT_EQ(QDir(folder).entryList({"defaults.json.unreadable-*"}).size(), 1);
    QFile kept(folder + "/" + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), broken);
    EXPECT_EQ(fileObject(), (QJsonObject{{"showHUD", false}}));

    QFile log(Folders::fromEnvironment().state + "/tavik.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("moved unreadable defaults.json aside to " +
                                       aside.first().toUtf8()));
}

TEST_F(DefaultsStoreTest, AJsonValueThatIsNotAnObjectCountsAsUnparsable) {
    writeFile("[1, 2, 3]");
    DefaultsStore store(path);
    store.setInt("silenceHoldMs", 700);
    EXPECT_EQ(QDir(folder).entryList({"defaults.json.unreadable-*"}).size(), 1);
    EXPECT_EQ(fileObject(), (QJsonObject{{"silenceHoldMs", 700}}));
}

TEST_F(DefaultsStoreTest, AFailedWriteKeepsTheValueAndFlushStoresItLater) {
    // A plain file where the folder should be: nothing can be written below it.
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    DefaultsStore store(path);
    store.setString("microphoneName", "USB Mic");
    EXPECT_EQ(store.string("microphoneName"), "USB Mic");
    EXPECT_FALSE(store.flush());

    ASSERT_TRUE(QFile::remove(folder));
    EXPECT_TRUE(store.flush());
    EXPECT_EQ(reader().string("microphoneName"), "USB Mic");
}

} // namespace
} // namespace tavik::platform
