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
