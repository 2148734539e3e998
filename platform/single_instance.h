#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

namespace tavik::platform {

// One Tavik per user: two would both hear the shortcut and insert every dictation twice, and
// overwrite each other's history. The first process holds a lock file in the runtime folder and
// listens on a local socket beside it; a later start asks that process to show its window and
// leaves. A lock left by a process that died is taken over, never obeyed.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        first,      // this process holds the lock and listens for later starts
        handedOver, // another Tavik runs and was asked to show its window
        unanswered, // another Tavik holds the lock but did not answer in time
    };

    // `runtimeFolder` holds the lock and the socket; `key` names the data the instance guards
    // (see keyFor), so two separate setups of one user never meet.
    SingleInstance(QString runtimeFolder, QString key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock, or asks its holder to reopen. Blocks up to `timeoutMs`: the holder may
    // still be starting (locked, not listening yet). Call once, before the event loop runs.
    Claim claim(int timeoutMs = 5000);

    QString lockPath() const;
    QString socketPath() const;

    // $XDG_RUNTIME_DIR, or Qt's private fallback folder when the session sets none.
    static QString defaultRuntimeFolder();
    // A short name for a configuration folder: one Tavik per folder of settings and history.
    static QString keyFor(const QString& configFolder);

signals:
    // A later start asked this process to show its main window.
    void reopenRequested();

private:
    bool listen();
    bool askHolderToReopen(int timeoutMs);
    void answer();

    QString runtimeFolder_;
    QString key_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

} // namespace tavik::platform
