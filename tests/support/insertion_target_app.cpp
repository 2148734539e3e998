#include "tests/support/insertion_target_app.h"

#include "tests/support/fixtures.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace tavik::test {
namespace {

QString targetProgram() {
    return QCoreApplication::applicationDirPath() +
           "/../tools/insertion-target/tavik-insertion-target";
}

struct Display_ {
    Display* display = XOpenDisplay(nullptr);
    ~Display_() {
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }
};

} // namespace

InsertionTargetApp::InsertionTargetApp() {
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, &process_,
                     [this] { output_ += process_.readAllStandardOutput(); });
}

InsertionTargetApp::~InsertionTargetApp() {
    if (process_.state() != QProcess::NotRunning) {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
}

bool InsertionTargetApp::start(bool accessible) {
    const QString program = targetProgram();
    if (!QFileInfo(program).isExecutable()) {
        error_ = "target application not built at " + program;
        return false;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    if (accessible) {
        environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    } else {
        environment.remove("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    }
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, {});
    if (!process_.waitForStarted(5000)) {
        error_ = "target application did not start";
        return false;
    }
    const bool ready = spinUntil([this] { return output_.contains('\n'); }, 10000);
    if (!ready) {
        error_ = "target application never reported ready";
        return false;
    }
    const qsizetype end = output_.indexOf('\n');
    const QList<QByteArray> words = output_.left(end).split(' ');
    output_.remove(0, end + 1);
    if (words.value(0) != "ready") {
        error_ = "unexpected first line from the target application";
        return false;
    }
    windowId_ = words.value(1).toULong();
    return windowId_ != 0;
}

QByteArray InsertionTargetApp::command(const QByteArray& line) {
    process_.write(line + '\n');
    if (!spinUntil([this] { return output_.contains('\n'); }, 5000)) {
        return {};
    }
    const qsizetype end = output_.indexOf('\n');
    const QByteArray answer = output_.left(end);
    output_.remove(0, end + 1);
    return answer;
}

bool InsertionTargetApp::activate(const QByteArray& widget) {
    setActiveWindow(windowId_);
    return command("focus " + widget) == "focused " + widget;
}

QString InsertionTargetApp::text() {
    const QByteArray answer = command("get");
    if (!answer.startsWith("text ")) {
        return QStringLiteral("<no answer>");
    }
    return QString::fromUtf8(QByteArray::fromBase64(answer.mid(5)));
}

QStringList InsertionTargetApp::keys() {
    QStringList presses;
    const QList<QByteArray> words = command("keys").split(' ');
    for (qsizetype i = 1; i < words.size(); ++i) {
        presses << QString::fromUtf8(QByteArray::fromBase64(words[i]));
    }
    return presses;
}

bool InsertionTargetApp::setText(const QString& text) {
    return command("set " + text.toUtf8().toBase64()) == "ok";
}

namespace {

QByteArray selectionWord(QClipboard::Mode mode) {
    return mode == QClipboard::Selection ? " primary" : "";
}

} // namespace

bool InsertionTargetApp::copyToClipboard(const QString& text, QClipboard::Mode mode) {
    return command("copy " + text.toUtf8().toBase64() + selectionWord(mode)) == "ok" &&
           clipboardShows(text, mode);
}

bool InsertionTargetApp::copyRich(const QByteArray& plain, const QByteArray& html,
                                  const QByteArray& png) {
    return command("copyrich " + plain.toBase64() + ' ' + html.toBase64() + ' ' + png.toBase64()) ==
               "ok" &&
           clipboardShows(QString::fromUtf8(plain));
}

// The application answers before the X server has made it the clipboard's owner; wait until
// another client (this one) sees the new content.
bool InsertionTargetApp::clipboardShows(const QString& text, QClipboard::Mode mode) {
    return spinUntil([&] { return QGuiApplication::clipboard()->text(mode) == text; }, 5000);
}

std::map<QString, QByteArray> InsertionTargetApp::clipboard(QClipboard::Mode mode) {
    std::map<QString, QByteArray> formats;
    const QList<QByteArray> words = command("clipboard" + selectionWord(mode)).split(' ');
    for (qsizetype i = 1; i < words.size(); ++i) {
        const qsizetype equals = words[i].indexOf('=');
        if (equals > 0) {
            formats[QString::fromUtf8(words[i].left(equals))] =
                QByteArray::fromBase64(words[i].mid(equals + 1));
        }
    }
    return formats;
}

void setActiveWindow(unsigned long window) {
    Display_ connection;
    Display* display = connection.display;
    if (display == nullptr) {
        return;
    }
    const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    const long value = static_cast<long>(window);
    XChangeProperty(display, DefaultRootWindow(display), active, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
    if (window != 0) {
        XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    }
    XSync(display, False);
}

void clearActiveWindowProperty() {
    Display_ connection;
    if (connection.display == nullptr) {
        return;
    }
    XDeleteProperty(connection.display, DefaultRootWindow(connection.display),
                    XInternAtom(connection.display, "_NET_ACTIVE_WINDOW", False));
    XSync(connection.display, False);
}

void setWindowIdentity(unsigned long window, long pid, const QByteArray& instance,
                       const QByteArray& windowClass) {
    Display_ connection;
    Display* display = connection.display;
    if (display == nullptr) {
        return;
    }
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    if (pid > 0) {
        XChangeProperty(display, window, pidAtom, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
    } else {
        XDeleteProperty(display, window, pidAtom);
    }
    if (windowClass.isEmpty()) {
        XDeleteProperty(display, window, XA_WM_CLASS);
    } else {
        const QByteArray both = instance + '\0' + windowClass + '\0';
        XChangeProperty(display, window, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(both.constData()),
                        static_cast<int>(both.size()));
    }
    XSync(display, False);
}

} // namespace tavik::test
