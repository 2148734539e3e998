// The target application of the insertion desktop tests: a window with a text field, a
// password field and a plain key-reading area without any accessible text. It takes commands on
// standard input, one per line, and answers on standard output:
//   focus field|password|plain   gives that widget the keyboard focus; answers "focused <name>"
//   set <base64>                 sets the field's text (caret at the end); answers "ok"
//   select <start> <end>         selects in the field; answers "ok"
//   caret <offset>               moves the field's caret; answers "ok"
//   get                          answers "text <base64>" with the focused widget's text
//   copy <base64> [primary]      puts a text on the clipboard (or the PRIMARY selection, as
//                                selecting it would); answers "ok"
//   copyrich <b64 text> <b64 html> <b64 png>   puts three formats on the clipboard; "ok"
//   clipboard [primary]          answers "clipboard" and " <format>=<base64>" per format of the
//                                clipboard (or the PRIMARY selection)
//   keys                         answers "keys" and " <base64>" per key press received since
//                                the last "keys", each as Qt names it ("Ctrl+V", "Shift+H")
//   paste normal|never|late <ms> how the plain area takes Control+V: from the clipboard at once,
//                                not at all (the key means something else), or only after <ms>
//   mute on|off                  the field keeps what it is given to itself and shows nothing,
//                                like a terminal running a program without echo
//   received                     answers "text <base64>" with what the muted field was given
//   handoff                      at the next key the field receives, the keyboard focus moves to
//                                a second window; answers "ok"
//   other                        answers "text <base64>" with the second window's text
//   field                        answers "text <base64>" with the field's text, focused or not
//   pressat <n> <keycode>        when the field has received <n> more keys, a person presses
//                                the key <keycode> (and holds it); answers "ok"
//   document <n>                 arranges the window as LibreOffice Writer's document window
//                                shows itself to the accessibility bus: <n> accessible labels
//                                ahead of the field (its toolbars and sidebar), the field inside
//                                a pane that always says it is focused, and a focus event for
//                                the window itself after the field's, though the window does not
//                                say it is focused; answers "ok"
//   menu                         opens the window's menu bar on its first menu and highlights
//                                that menu's first item, as Alt released alone and a Down key
//                                would; answers "ok"
//   altmenu closes|stays|off     as Firefox does, Alt released alone opens the menu (as "menu");
//                                Escape then closes it and gives the field the focus back, or
//                                (stays) is taken by the menu, which keeps the focus; answers "ok"
//   menuopen                     answers "yes" or "no": whether a menu is open
// On start it shows its window and prints "ready <window id>".
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <xcb/xcb.h>

#include "person_keys.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <unistd.h>

namespace {

// Reads keys and Control+V by itself and tells the accessibility bus nothing about its text.
class PlainArea final : public QWidget {
public:
    PlainArea() {
        setFocusPolicy(Qt::StrongFocus);
        setMinimumHeight(40);
    }
    QString text;
    enum class Paste { normal, never, late } paste = Paste::normal;
    int lateMs = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Paste)) {
            if (paste == Paste::normal) {
                text += QGuiApplication::clipboard()->text();
            } else if (paste == Paste::late) {
                QTimer::singleShot(lateMs, this,
                                   [this] { text += QGuiApplication::clipboard()->text(); });
            }
        } else if (!event->text().isEmpty() && event->text().at(0).isPrint()) {
            text += event->text();
        } else if (event->key() == Qt::Key_Return) {
            text += '\n';
        }
    }
};

// Every key press a widget of ours receives, with the modifiers it came with: what a person's
// keys and Tavik's keys amounted to, as the application saw them.
class KeyLog final : public QObject {
public:
    QStringList presses;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // An open menu takes the keys from the focused widget.
        QWidget* receiver = QApplication::activePopupWidget() != nullptr
                                ? QApplication::activePopupWidget()
                                : QApplication::focusWidget();
        if (event->type() == QEvent::KeyPress && watched == receiver) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QKeyCombination combination(key->modifiers() & ~Qt::KeypadModifier,
                                              static_cast<Qt::Key>(key->key()));
            presses << QKeySequence(combination).toString(QKeySequence::PortableText);
        }
        return false;
    }
};

// What a terminal running a program without echo does with its input (when muted), and a
// program that hands the keyboard focus to another window at the first key it gets.
class FieldInput final : public QObject {
public:
    FieldInput(QLineEdit* field, QWidget* other) : field_(field), other_(other) {}
    bool muted = false;
    bool handoff = false;
    QString received;
    int keysUntilPress = 0;
    unsigned pressKeycode = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != field_ || event->type() != QEvent::KeyPress) {
            return false;
        }
        if (handoff) {
            handoff = false;
            moveFocusTo(*other_);
        }
        if (keysUntilPress > 0 && --keysUntilPress == 0) {
            pressAsAPersonWould(pressKeycode);
        }
        if (!muted) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste)) {
            received += QGuiApplication::clipboard()->text();
        } else if (!key->text().isEmpty() && key->text().at(0).isPrint()) {
            received += key->text();
        }
        return true;
    }

private:
    // At once and without a window manager, as a program grabbing the focus would.
    static void moveFocusTo(QWidget& window) {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* connection = x11->connection();
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT,
                            static_cast<xcb_window_t>(window.winId()), XCB_CURRENT_TIME);
        xcb_flush(connection);
    }

    QLineEdit* field_;
    QWidget* other_;
};

// Alt released with no other key between its press and release opens the menu, as Firefox's
// menu bar comes up; Escape takes it down again, unless the menu keeps the focus.
class AltMenu final : public QObject {
public:
    enum class Mode { off, closes, stays } mode = Mode::off;
    std::function<void()> open;
    std::function<void()> close;
    bool isOpen = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Keys are taken where widgets get them, after the window they came to.
        if (mode == Mode::off || !watched->isWidgetType() ||
            (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat()) {
            return false;
        }
        const bool alt = key->key() == Qt::Key_Alt || key->key() == Qt::Key_AltGr;
        if (event->type() == QEvent::KeyPress) {
            altAlone_ = alt;
            if (key->key() == Qt::Key_Escape && isOpen) {
                if (mode == Mode::closes) {
                    close();
                    isOpen = false;
                }
                return true;
            }
            return false;
        }
        if (alt && altAlone_ && !isOpen) {
            altAlone_ = false;
            open();
            isOpen = true;
        }
        return false;
    }

private:
    bool altAlone_ = false;
};

// Writer's document window keeps saying it is focused while the paragraph in it has the caret.
class DocumentPane final : public QWidget {};

class DocumentPaneAccessible final : public QAccessibleWidget {
public:
    explicit DocumentPaneAccessible(QWidget* pane) : QAccessibleWidget(pane, QAccessible::Pane) {}
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.focused = true;
        return state;
    }
};

QAccessibleInterface* documentPaneAccessible(const QString&, QObject* object) {
    auto* pane = dynamic_cast<DocumentPane*>(object);
    return pane != nullptr ? new DocumentPaneAccessible(pane) : nullptr;
}

// Accessible labels stacked in a small box rather than laid out: only their number matters.
QWidget* labelBox(int count) {
    auto* box = new QWidget;
    box->setFixedSize(200, 20);
    for (int i = count; i > 0; --i) {
        (new QLabel(QString::number(i), box))->setGeometry(0, 0, 200, 20);
    }
    return box;
}

void reply(const QByteArray& line) {
    const QByteArray out = line + '\n';
    [[maybe_unused]] auto written = ::write(1, out.constData(), static_cast<size_t>(out.size()));
}

// Qt claims the clipboard with the time of the last X event it has seen, while Tavik's clipboard
// owner claims it with the server's current time; a copy made here right after a paste would be
// refused as older. A property change on our own window brings a fresh server time into Qt (it
// reads the time off the property event), so the copy is made as a person's would be.
void withFreshServerTime(QWidget& window, std::function<void()> then) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) {
        then();
        return;
    }
    xcb_connection_t* connection = x11->connection();
    static const xcb_atom_t tick = [connection] {
        const char name[] = "TAVIK_TARGET_TICK";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
        const xcb_atom_t value =
            atom != nullptr ? atom->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        free(atom);
        return value;
    }();
    static std::uint32_t count = 0;
    ++count;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window.winId()), tick, XCB_ATOM_CARDINAL, 32, 1,
                        &count);
    xcb_flush(connection);
    QTimer::singleShot(50, &window, std::move(then));
}

QClipboard::Mode selectionNamed(const QByteArray& name) {
    return name == "primary" ? QClipboard::Selection : QClipboard::Clipboard;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("tavik-insertion-target");

    QWidget window;
    window.setWindowTitle("Insertion target");
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit;
    field->setObjectName("field");
    field->setAccessibleName("field");
    auto* password = new QLineEdit;
    password->setObjectName("password");
    password->setEchoMode(QLineEdit::Password);
    auto* plain = new PlainArea;
    layout->addWidget(field);
    layout->addWidget(password);
    layout->addWidget(plain);
    window.resize(400, 160);
    window.show();
    window.activateWindow();
    field->setFocus();

    QLineEdit other;
    other.setWindowTitle("Another window");
    other.resize(300, 40);
    other.show();
    window.activateWindow();
    FieldInput fieldInput(field, &other);
    field->installEventFilter(&fieldInput);

    // Made on demand, so the other cases meet the window without a menu bar.
    const auto menuBar = [&layout] {
        if (layout->menuBar() == nullptr) {
            auto* bar = new QMenuBar;
            QMenu* file = bar->addMenu("File");
            file->addAction("New");
            file->addAction("Quit");
            bar->addMenu("Edit")->addAction("Copy");
            layout->setMenuBar(bar);
        }
        return static_cast<QMenuBar*>(layout->menuBar());
    };
    const auto openMenu = [&menuBar] {
        QMenu* file = menuBar()->actions().value(0)->menu();
        // Alt released alone hands the keyboard focus to the menu bar, then Down opens the menu.
        menuBar()->setFocus(Qt::MenuBarFocusReason);
        menuBar()->setActiveAction(file->menuAction());
        file->setActiveAction(file->actions().value(0));
    };
    AltMenu altMenu;
    altMenu.open = openMenu;
    altMenu.close = [&menuBar, field] {
        menuBar()->actions().value(0)->menu()->hide();
        field->setFocus();
    };
    app.installEventFilter(&altMenu);
    // Installed last, so it sees every key first, those the menu takes too.
    KeyLog keyLog;
    app.installEventFilter(&keyLog);

    QSocketNotifier input(0, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t got = ::read(0, buffer, sizeof buffer);
        if (got <= 0) {
            QApplication::quit();
            return;
        }
        pending.append(buffer, got);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QList<QByteArray> words = pending.left(end).split(' ');
            pending.remove(0, end + 1);
            const QByteArray command = words.value(0);
            if (command == "focus") {
                QWidget* target = words.value(1) == "password" ? static_cast<QWidget*>(password)
                                  : words.value(1) == "plain"  ? static_cast<QWidget*>(plain)
                                                               : static_cast<QWidget*>(field);
                window.activateWindow();
                target->setFocus();
                reply("focused " + words.value(1));
            } else if (command == "set") {
                field->setText(QString::fromUtf8(QByteArray::fromBase64(words.value(1))));
                reply("ok");
            } else if (command == "select") {
                const int start = words.value(1).toInt();
                field->setSelection(start, words.value(2).toInt() - start);
                reply("ok");
            } else if (command == "caret") {
                field->setCursorPosition(words.value(1).toInt());
                reply("ok");
            } else if (command == "get") {
                QWidget* focused = QApplication::focusWidget();
                QString text;
                if (focused == plain) {
                    text = plain->text;
                } else if (auto* edit = qobject_cast<QLineEdit*>(focused)) {
                    text = edit->text();
                }
                reply("text " + text.toUtf8().toBase64());
            } else if (command == "copy") {
                const QString text = QString::fromUtf8(QByteArray::fromBase64(words.value(1)));
                const auto mode = selectionNamed(words.value(2));
                withFreshServerTime(window, [text, mode] {
                    QGuiApplication::clipboard()->setText(text, mode);
                    reply("ok");
                });
            } else if (command == "copyrich") {
                auto* data = new QMimeData;
                data->setData("text/plain", QByteArray::fromBase64(words.value(1)));
                data->setData("text/html", QByteArray::fromBase64(words.value(2)));
                data->setData("image/png", QByteArray::fromBase64(words.value(3)));
                withFreshServerTime(window, [data] {
                    QGuiApplication::clipboard()->setMimeData(data);
                    reply("ok");
                });
            } else if (command == "clipboard") {
                QByteArray line = "clipboard";
                if (const QMimeData* data =
                        QGuiApplication::clipboard()->mimeData(selectionNamed(words.value(1)))) {
                    QStringList formats = data->formats();
                    formats.sort();
                    for (const QString& format : formats) {
                        line += ' ' + format.toUtf8() + '=' + data->data(format).toBase64();
                    }
                }
                reply(line);
            } else if (command == "paste") {
                plain->paste = words.value(1) == "never"  ? PlainArea::Paste::never
                               : words.value(1) == "late" ? PlainArea::Paste::late
                                                          : PlainArea::Paste::normal;
                plain->lateMs = words.value(2).toInt();
                reply("ok");
            } else if (command == "mute") {
                fieldInput.muted = words.value(1) == "on";
                reply("ok");
            } else if (command == "received") {
                reply("text " + fieldInput.received.toUtf8().toBase64());
            } else if (command == "handoff") {
                fieldInput.handoff = true;
                reply("ok");
            } else if (command == "other") {
                reply("text " + other.text().toUtf8().toBase64());
            } else if (command == "pressat") {
                fieldInput.keysUntilPress = words.value(1).toInt();
                fieldInput.pressKeycode = words.value(2).toUInt();
                reply("ok");
            } else if (command == "document") {
                layout->insertWidget(0, labelBox(words.value(1).toInt()));
                QAccessible::installFactory(&documentPaneAccessible);
                auto* pane = new DocumentPane;
                (new QVBoxLayout(pane))->addWidget(field);
                layout->insertWidget(1, pane);
                field->setFocus();
                QAccessibleEvent windowFocus(&window, QAccessible::Focus);
                QAccessible::updateAccessibility(&windowFocus);
                reply("ok");
            } else if (command == "menu") {
                openMenu();
                reply("ok");
            } else if (command == "altmenu") {
                altMenu.mode = words.value(1) == "closes"  ? AltMenu::Mode::closes
                               : words.value(1) == "stays" ? AltMenu::Mode::stays
                                                           : AltMenu::Mode::off;
                reply("ok");
            } else if (command == "menuopen") {
                reply(altMenu.isOpen ? "yes" : "no");
            } else if (command == "field") {
                reply("text " + field->text().toUtf8().toBase64());
            } else if (command == "keys") {
                QByteArray line = "keys";
                for (const QString& press : keyLog.presses) {
                    line += ' ' + press.toUtf8().toBase64();
                }
                keyLog.presses.clear();
                reply(line);
            } else {
                reply("unknown");
            }
        }
    });
    reply("ready " + QByteArray::number(static_cast<qulonglong>(window.winId())));
    return QApplication::exec();
}
