#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <utility>

namespace tavik::platform {

inline bool isMainThread() {
    auto* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

// Queues `work` to run later on the main thread, in order. When `owner` is given the work is
// dropped if the owner is gone by the time it would run.
template <typename Work> void postToMain(QObject* owner, Work&& work) {
    QObject* target = owner != nullptr ? owner : QCoreApplication::instance();
    if (target == nullptr) {
        return;
    }
    QMetaObject::invokeMethod(target, std::forward<Work>(work), Qt::QueuedConnection);
}

template <typename Work> void postToMain(Work&& work) {
    postToMain(nullptr, std::forward<Work>(work));
}

} // namespace tavik::platform
