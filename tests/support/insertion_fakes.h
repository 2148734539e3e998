#pragma once

// Stand-ins for the desktop pieces the insertion mechanisms talk to, for tests that must control
// exactly what the "other application" does.
#include "app/insertion/insertion_ports.h"
#include "tests/support/fake_clock.h"

#include <functional>
#include <memory>
#include <vector>

namespace tavik::test {

// The state of one text field of another application.
struct FakeField {
    QString content;
    int caret = 0;
    int selectionStart = -1;
    int selectionEnd = -1;
    bool writable = true;
    bool answers = true; // false: its application does not reply in time
    bool password = false;
    bool countable = true;      // reports a character count
    bool dropsWrites = false;   // accepts writes and keeps nothing
    bool failsInsert = false;   // the insert call errors
    bool failsCaret = false;    // reports no caret
    std::vector<QString> calls; // "insert <offset> <text>", "delete <start> <end>"

    void select(int start, int end) {
        selectionStart = start;
        selectionEnd = end;
    }
};

class FakeElement final : public platform::AccessibleText {
public:
    explicit FakeElement(std::shared_ptr<FakeField> field) : field_(std::move(field)) {}

    platform::Editability editability() override {
        if (!field_->answers) {
            return platform::Editability::noAnswer;
        }
        return field_->writable ? platform::Editability::editable
                                : platform::Editability::notEditable;
    }
    bool isPassword() override { return field_->password; }
    std::optional<int> characterCount() override {
        if (!field_->countable) {
            return std::nullopt;
        }
        return static_cast<int>(field_->content.size());
    }
    std::optional<platform::TextSpan> selection() override {
        if (field_->selectionStart < 0 || field_->selectionEnd <= field_->selectionStart) {
            return platform::TextSpan{-1, -1};
        }
        return platform::TextSpan{field_->selectionStart, field_->selectionEnd};
    }
    std::optional<int> caretOffset() override {
        if (field_->failsCaret) {
            return std::nullopt;
        }
        return field_->caret;
    }
    std::optional<QString> text(int start, int end) override {
        if (start < 0 || end > field_->content.size() || end < start) {
            return std::nullopt;
        }
        return field_->content.mid(start, end - start);
    }
    bool insertText(int offset, const QString& text) override {
        field_->calls.push_back(QString("insert %1 %2").arg(offset).arg(text));
        if (field_->failsInsert || offset < 0 || offset > field_->content.size()) {
            return false;
        }
        if (!field_->dropsWrites) {
            field_->content.insert(offset, text);
            field_->caret = offset + static_cast<int>(text.size());
        }
        return true;
    }
    bool deleteText(int start, int end) override {
        field_->calls.push_back(QString("delete %1 %2").arg(start).arg(end));
        if (!field_->dropsWrites) {
            field_->content.remove(start, end - start);
            field_->caret = start;
            field_->select(-1, -1);
        }
        return true;
    }
    bool sameElement(const platform::AccessibleText& other) const override {
        const auto* fake = dynamic_cast<const FakeElement*>(&other);
        return fake != nullptr && fake->field_ == field_;
    }

private:
    std::shared_ptr<FakeField> field_;
};

class FakeAccessibility final : public platform::Accessibility {
public:
    bool isTrusted = true;
    int enableRequests = 0;
    qint64 ownerPid = 4242; // the process the focused field belongs to
    std::shared_ptr<FakeField> focused = std::make_shared<FakeField>();
    std::vector<qint64> exposed; // the processes asked to show their content, in order

    bool trusted() override { return isTrusted; }
    void requestEnabled() override { ++enableRequests; }
    void exposeContent(qint64 pid) override { exposed.push_back(pid); }
    std::unique_ptr<platform::AccessibleText> focusedElement(qint64 pid) override {
        if (!focused || pid != ownerPid) {
            return nullptr;
        }
        return std::make_unique<FakeElement>(focused);
    }
};

class FakeClipboard final : public platform::Clipboard {
public:
    platform::ClipboardSnapshot content;
    bool failsSet = false;
    std::uint64_t count = 1;
    int restores = 0;

    bool ownerHangs = false;   // the owner does not hand its content over in time
    std::uint64_t fetcher = 0; // the window whose client fetched our text; 0: nobody yet
    bool fetchesOnSet = true;  // a client fetches whatever we put on the clipboard

    std::optional<platform::ClipboardSnapshot> snapshot() override {
        if (ownerHangs) {
            return std::nullopt;
        }
        return content;
    }
    bool fetchedBy(std::uint64_t window) override {
        return fetched && (window == 0 || window == fetcher);
    }
    // What a program pasting does: it asks for our text.
    void fetch(std::uint64_t window) {
        fetched = true;
        fetcher = window;
    }
    bool setText(const QString& text) override {
        if (failsSet) {
            content.clear(); // the clear went through, the write did not
            ++count;
            return false;
        }
        content = {{{QStringLiteral("text/plain"), text.toUtf8()}}};
        ++count;
        fetched = false;
        if (fetchesOnSet) {
            fetch(0);
        }
        return true;
    }
    void restore(const platform::ClipboardSnapshot& snapshot) override {
        content = snapshot;
        ++count;
        ++restores;
    }
    std::uint64_t changeCount() override { return count; }

    // What another application copying would do.
    void userCopies(const QString& text) {
        content = {{{QStringLiteral("text/plain"), text.toUtf8()}}};
        ++count;
    }
    bool fetched = false;

    QString text() const {
        if (content.empty()) {
            return {};
        }
        const auto it = content.front().find(QStringLiteral("text/plain"));
        return it == content.front().end() ? QString() : QString::fromUtf8(it->second);
    }
};

class FakeKeySynth final : public platform::KeySynth {
public:
    bool isAvailable = true;
    bool chordFails = false;
    int capacity = 19;
    bool grabbed = false;
    std::vector<PasteChord> chords;
    bool typingFails = false;
    std::vector<std::u32string> batches;
    int pauseMs = -1;
    std::function<bool()> stillWanted; // as handed over by the last typing
    std::function<void()> onPaste;     // what the target does on the chord

    bool available() override { return isAvailable; }
    bool postPasteChord(PasteChord chord) override {
        if (chordFails) {
            return false;
        }
        chords.push_back(chord);
        if (onPaste) {
            onPaste();
        }
        return true;
    }
    int escapes = 0;
    std::function<void()> onEscape; // what the target does on Escape
    bool postEscape() override {
        ++escapes;
        if (onEscape) {
            onEscape();
        }
        return isAvailable;
    }
    int typingBatchCapacity() override { return isAvailable ? capacity : 0; }
    bool canType(const std::u32string& text) override {
        for (char32_t cp : text) {
            if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                return false;
            }
        }
        return true;
    }
    std::size_t typeText(const std::vector<std::u32string>& text, int pause,
                         std::function<bool()> wanted) override {
        if (typingFails) {
            return 0;
        }
        pauseMs = pause;
        stillWanted = std::move(wanted);
        std::size_t typed = 0;
        for (const auto& batch : text) {
            if (typed > 0 && stillWanted && !stillWanted()) {
                break;
            }
            batches.push_back(batch);
            ++typed;
            if (afterBatch) {
                afterBatch(typed);
            }
        }
        return typed;
    }
    std::function<void(std::size_t)> afterBatch; // what happens once a batch has been typed
    bool keyboardGrabbedElsewhere() override { return grabbed; }
    bool busy() override { return false; }
    void finish() override {}

    QString typed() const {
        QString all;
        for (const auto& batch : batches) {
            for (char32_t cp : batch) {
                all += QString::fromUcs4(&cp, 1);
            }
        }
        return all;
    }
};

class FakeFrontmost final : public platform::Frontmost {
public:
    std::optional<platform::RunningApp> app =
        platform::RunningApp{QStringLiteral("Editor"), QStringLiteral("org.example.Editor"), 4242,
                             QStringLiteral("Editor")};
    std::vector<Listener> listeners;

    std::optional<platform::RunningApp> current() override { return app; }
    bool watch(Listener listener) override {
        listeners.push_back(std::move(listener));
        return true;
    }
    void activate(const std::optional<platform::RunningApp>& next) {
        app = next;
        for (const auto& listener : listeners) {
            listener(next);
        }
    }
};

class RecordingSleeper final : public platform::Sleeper {
public:
    std::vector<int> sleeps;
    std::function<void(int)> onSleep; // lets time pass for the "other application"
    void sleepMs(int ms) override {
        sleeps.push_back(ms);
        if (onSleep) {
            onSleep(ms);
        }
    }
    int total() const {
        int sum = 0;
        for (int ms : sleeps) {
            sum += ms;
        }
        return sum;
    }
};

// Every fake at once, installed for the lifetime of the object.
struct FakeDesktop {
    FakeAccessibility accessibility;
    FakeClipboard clipboard;
    FakeKeySynth keys;
    FakeFrontmost frontmost;
    FakeClock clock;
    RecordingSleeper sleeper;
    FakeClipboard primary;
    ScopedInsertionPorts installed{
        InsertionPorts{&accessibility, &clipboard, &keys, &frontmost, &clock, &sleeper, &primary}};
};

} // namespace tavik::test
