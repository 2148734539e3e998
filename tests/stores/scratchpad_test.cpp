#include "app/stores/scratchpad.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tavik {
namespace {

using namespace std::chrono_literals;

class ScratchpadTest : public ::testing::Test {
protected:
    QTemporaryDir root{QDir::homePath() + "/scratch-XXXXXX"};
    QString folder = root.path() + "/Tavik";
    QString path = folder + "/scratchpad.txt";

    void writeFile(const QByteArray& bytes) {
        QDir().mkpath(folder);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QByteArray fileBytes(const QString& at) const {
        QFile file(at);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(ScratchpadTest, AppendSeparatesWithOneSpaceUnlessTheTextEndsInWhiteSpace) {
    struct Case {
        QString before;
        QString piece;
        QString after;
    };
    const Case cases[] = {
        {"abc", "def", "abc def"},
        {"abc\n", "def", "abc\ndef"},
        {"abc ", "def", "abc def"},
        {"abc\t", "def", "abc\tdef"},
        {"abc\r\n", "def", "abc\r\ndef"},
        {QString("abc") + QChar(0x00A0), "def", QString("abc") + QChar(0x00A0) + "def"},
        {QString("cafe") + QChar(0x0301), "ok", QString("cafe") + QChar(0x0301) + " ok"},
        {"", "def", "def"},
        {"abc", "  def ", "abc   def "}, // the piece is not trimmed
    };
    Scratchpad pad(folder);
    for (const Case& c : cases) {
        pad.setText(c.before);
        pad.append(c.piece);
        EXPECT_EQ(pad.text(), c.after) << c.before.toStdString() << "|" << c.piece.toStdString();
    }
}

TEST_F(ScratchpadTest, EveryAssignmentIsAnnouncedAndSavedButAnEmptyPieceIsNothing) {
    Scratchpad pad(folder);
    QSignalSpy changes(&pad, &Scratchpad::textChanged);
    pad.append("");
    ASSERT_TRUE(pad.flush(5s));
    EXPECT_EQ(changes.count(), 0);
    EXPECT_FALSE(QFileInfo::exists(path));

    pad.setText("same");
    pad.setText("same");
    pad.append("more");
    ASSERT_EQ(changes.count(), 3);
    EXPECT_EQ(changes.at(2).at(0).toString(), "same more");
    ASSERT_TRUE(pad.flush(5s));
    EXPECT_EQ(fileBytes(path), "same more");
}

TEST_F(ScratchpadTest, ReplaceChangesTheTextWhereItLiesAndTellsWhatChanged) {
    Scratchpad pad(folder);
    {
        QString start = QStringLiteral("hello world");
        start.reserve(4096);
        pad.setText(start);
    }
    // Room to spare, and no one else holding the text: a keystroke changes it in place.
    const QChar* where = pad.text().constData();
    pad.replace(6, 5, u"there");
    pad.replace(pad.text().size(), 0, u"!");
    EXPECT_EQ(pad.text().constData(), where);

    QSignalSpy edits(&pad, &Scratchpad::textEdited);
    QSignalSpy changes(&pad, &Scratchpad::textChanged);
    pad.setText(QStringLiteral("hello world"));
    pad.replace(6, 5, u"there");
    pad.replace(pad.text().size(), 0, u"!");
    pad.replace(0, 0, u"Oh, ");
    pad.append(QStringLiteral("Yes."));
    pad.replace(2, 1, u"!!");
    EXPECT_EQ(pad.text(), QStringLiteral("Oh!! hello there! Yes."));
    pad.replace(-3, 99, u"");
    EXPECT_EQ(pad.text(), QString());

    const QList<QVariantList> expected = {
        {0, QStringLiteral("hello there!"), 11},
        {6, QStringLiteral("world"), 5},
        {11, QString(), 1},
        {0, QString(), 4},
        {16, QString(), 5},
        {2, QStringLiteral(","), 2},
        {0, QStringLiteral("Oh!! hello there! Yes."), 0},
    };
    ASSERT_EQ(edits.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(edits.at(i).at(0).toLongLong(), expected[i][0].toLongLong()) << i;
        EXPECT_EQ(edits.at(i).at(1).toString(), expected[i][1].toString()) << i;
        EXPECT_EQ(edits.at(i).at(2).toLongLong(), expected[i][2].toLongLong()) << i;
    }
    EXPECT_EQ(changes.size(), edits.size());

    // Every change is saved; a lone half of a surrogate pair as it always was.
    pad.replace(0, 0, QString(QStringLiteral("a")) + QChar(0xD800) + QStringLiteral("é"));
    ASSERT_TRUE(pad.flush(5s));
    EXPECT_EQ(fileBytes(path), QByteArray("a?\xc3\xa9"));
    for (int i = 0; i < 500; ++i) {
        pad.replace(pad.text().size(), 0, QString::number(i % 10));
    }
    ASSERT_TRUE(pad.flush(5s));
    EXPECT_EQ(fileBytes(path), pad.text().toUtf8());
}

TEST_F(ScratchpadTest, TextSurvivesARestartAsPlainPrivateUtf8) {
    const QString text = QString::fromUtf8("naïve ✓ note\nsecond line");
    {
        Scratchpad pad(folder);
        EXPECT_EQ(pad.url(), path);
        pad.setText(text);
        ASSERT_TRUE(pad.flush(5s));
    }
    EXPECT_EQ(fileBytes(path), text.toUtf8()); // no header, no newline added
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    Scratchpad again(folder);
    EXPECT_EQ(again.text(), text);
}

TEST_F(ScratchpadTest, TheFileEndsWithTheNewestOfManyQuickChanges) {
    Scratchpad pad(folder);
    for (int i = 0; i < 1000; ++i) {
        pad.setText("version " + QString::number(i));
    }
    ASSERT_TRUE(pad.flush(10s));
    EXPECT_EQ(fileBytes(path), "version 999");
}

TEST_F(ScratchpadTest, AMissingFileStartsEmptyWithoutWriting) {
    Scratchpad pad(folder);
    EXPECT_EQ(pad.text(), "");
    ASSERT_TRUE(pad.flush(5s));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(ScratchpadTest, AFileThatIsNotWholeUtf8StartsEmptyAndIsMovedAsideWhenLoaded) {
    // Latin-1 text, and notes cut off inside a character (a disk that filled up mid-write):
    // both are the user's words and must survive the first save.
    const QByteArray latin1 = "caf\xe9 notes\xff";
    const QByteArray cutEuro = "price: 5 \xe2\x82";
    for (const QByteArray& unreadable : {latin1, cutEuro}) {
        SCOPED_TRACE(unreadable.toHex().toStdString());
        for (const QString& old : QDir(folder).entryList({"scratchpad.txt.unreadable-*"})) {
            QFile::remove(folder + "/" + old);
        }
        writeFile(unreadable);
        Scratchpad pad(folder);
        EXPECT_EQ(pad.text(), "");
        ASSERT_TRUE(pad.flush(5s));
        EXPECT_FALSE(QFileInfo::exists(path)); // aside at once, so the window can say where

        pad.append("dictated");
        ASSERT_TRUE(pad.flush(5s));
        EXPECT_EQ(fileBytes(path), "dictated");
        const QStringList aside = QDir(folder).entryList({"scratchpad.txt.unreadable-*"});
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(fileBytes(folder + "/" + aside.first()), unreadable);

        pad.setText("again"); // only the first save moves anything
        ASSERT_TRUE(pad.flush(5s));
        EXPECT_EQ(QDir(folder).entryList({"scratchpad.txt.unreadable-*"}).size(), 1);
    }
}

} // namespace
} // namespace tavik
