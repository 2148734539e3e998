#pragma once

#include <QByteArray>
#include <QClipboard>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <map>

namespace tavik::test {

// The test target application (tools/insertion-target) running as a process of its own on the
// test desktop, driven through its standard input.
class InsertionTargetApp {
public:
    InsertionTargetApp();
    ~InsertionTargetApp();

    // Starts it and waits for its window; false (with a reason in error()) when it cannot run.
    bool start(bool accessible = true);
    QString error() const { return error_; }

    unsigned long windowId() const { return windowId_; }
    qint64 pid() const { return process_.processId(); }

    // Sends one command line and returns the answer line ("" after a timeout).
    QByteArray command(const QByteArray& line);

    // Makes its window the active one, as a window manager would, and focuses `widget`
    // ("field", "password" or "plain").
    bool activate(const QByteArray& widget = "field");
    QString text();
    bool setText(const QString& text);
    // Puts `text` on the clipboard, or on the PRIMARY selection as selecting it would.
    bool copyToClipboard(const QString& text, QClipboard::Mode mode = QClipboard::Clipboard);
    // Puts text/plain, text/html and image/png on the clipboard.
    bool copyRich(const QByteArray& plain, const QByteArray& html, const QByteArray& png);
    // The clipboard (or the PRIMARY selection) as this application reads it: format -> data.
    std::map<QString, QByteArray> clipboard(QClipboard::Mode mode = QClipboard::Clipboard);
    // The key presses its focused widget received since the last call, as Qt names them
    // ("Ctrl+V", "Shift+H", "H").
    QStringList keys();

private:
    bool clipboardShows(const QString& text, QClipboard::Mode mode = QClipboard::Clipboard);

    QProcess process_;
    QByteArray output_;
    QString error_;
    unsigned long windowId_ = 0;
};

// Writes _NET_ACTIVE_WINDOW on the root window (0 writes None) and, for a real window, gives it
// the input focus. Xvfb has no window manager to do either.
void setActiveWindow(unsigned long window);
// Removes _NET_ACTIVE_WINDOW from the root window.
void clearActiveWindowProperty();
// Sets _NET_WM_PID and WM_CLASS of a window of the test process (0 / "" remove them).
void setWindowIdentity(unsigned long window, long pid, const QByteArray& instance,
                       const QByteArray& windowClass);

} // namespace tavik::test
