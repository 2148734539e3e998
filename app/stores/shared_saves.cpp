#include "app/stores/shared_saves.h"

#include "app/stores/diagnostic_log.h"
#include "app/stores/history.h"
#include "app/stores/scratchpad.h"
#include "app/stores/store_notices.h"
#include "platform/defaults_store.h"
#include "platform/main_thread.h"
#include "platform/private_files.h"

#include <QDeadlineTimer>

#include <algorithm>

namespace tavik {
namespace {

// The unsaved keys of the defaults, as what the user knows them by.
QStringList settingsInWords(const QStringList& keys) {
    bool settings = false, dictionary = false, snippets = false, transforms = false,
         windows = false;
    for (const QString& key : keys) {
        if (key.startsWith(QLatin1String("vocabulary"))) {
            dictionary = true;
        } else if (key.startsWith(QLatin1String("snippets"))) {
            snippets = true;
        } else if (key.startsWith(QLatin1String("transforms"))) {
            transforms = true;
        } else if (key == QLatin1String("TavikMain") || key == QLatin1String("orbOrigin")) {
            windows = true;
        } else {
            settings = true;
        }
    }
    QStringList words;
    for (const auto& [unsaved, word] :
         {std::pair{settings, "your settings"}, std::pair{dictionary, "your dictionary"},
          std::pair{snippets, "your snippets"}, std::pair{transforms, "your transforms"},
          std::pair{windows, "the window positions"}}) {
        if (unsaved) {
            words << QString::fromLatin1(word);
        }
    }
    return words;
}

// A store that writes its file in the background and says when a write finished.
template <class Store> void watchWriter(StoreNotices& notices, Store& store, const QString& what) {
    QObject::connect(&store, &Store::saveFinished, &notices, &StoreNotices::refresh);
    notices.watch({[what] { return QStringList{what}; }, [&store] { return store.saveFailure(); },
                   [&store] {
                       store.retrySave();
                   }});
}

void logUnsavedAtQuit(const QString& what, const QString& reason, std::chrono::milliseconds limit) {
    if (reason.isEmpty()) {
        slog(QStringLiteral("quit: ") + what + QStringLiteral(" still being written after ") +
             QString::number(limit.count()) + QStringLiteral(" ms — quitting without it"));
    } else {
        slog(QStringLiteral("quit: could not save ") + what + QStringLiteral(" (") + reason +
             QStringLiteral(") — the latest changes are lost"));
    }
}

// A store that writes in the background, at quit: its failed write tried once more, then a
// wait for its newest contents until the deadline. True when they are on disk (or it was never
// made).
template <class Store>
bool writtenAtQuit(Store* store, const QString& what, const QDeadlineTimer& deadline,
                   std::chrono::milliseconds limit) {
    if (store == nullptr) {
        return true;
    }
    store->retrySave();
    if (store->flush(std::chrono::milliseconds(std::max<qint64>(deadline.remainingTime(), 0)))) {
        return true;
    }
    logUnsavedAtQuit(what, store->saveFailure(), limit);
    return false;
}

} // namespace

void watchSharedStores(StoreNotices& notices) {
    platform::setMovedAsideSink([&notices](const QString& original, const QString& copy) {
        const QString note = StoreNotices::movedAsideNote(original, copy);
        platform::postToMain(&notices, [&notices, note] { notices.addNote(note); });
    });

    watchSaves(notices, platform::DefaultsStore::shared());
    watchSaves(notices, History::shared());
    watchSaves(notices, Scratchpad::shared());
}

void watchSaves(StoreNotices& notices, platform::DefaultsStore& defaults) {
    defaults.setSaveObserver([&notices] { notices.requestRefresh(); });
    notices.watch({[&defaults] { return settingsInWords(defaults.unsavedKeys()); },
                   [&defaults] { return defaults.lastFailure(); },
                   [&defaults] {
                       defaults.flush();
                   }});
}

void watchSaves(StoreNotices& notices, History& history) {
    watchWriter(notices, history, QStringLiteral("your history"));
}

void watchSaves(StoreNotices& notices, Scratchpad& scratchpad) {
    watchWriter(notices, scratchpad, QStringLiteral("the scratchpad"));
}

bool saveSharedStoresAtQuit(std::chrono::milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    // The history first: it is the biggest and the most precious.
    const bool history =
        writtenAtQuit(History::sharedIfMade(), QStringLiteral("the history"), deadline, limit);
    const bool scratchpad = writtenAtQuit(Scratchpad::sharedIfMade(),
                                          QStringLiteral("the scratchpad"), deadline, limit);
    platform::DefaultsStore& defaults = platform::DefaultsStore::shared();
    const bool settings = defaults.flush();
    if (!settings) {
        logUnsavedAtQuit(settingsInWords(defaults.unsavedKeys()).join(QStringLiteral(", ")),
                         defaults.lastFailure(), limit);
    }
    // The settings and the recordings were written at once but synced later: the last of them
    // must reach the disk before the process ends.
    const auto left = std::max<qint64>(deadline.remainingTime(), 0);
    const bool synced = platform::drainSyncs(std::chrono::milliseconds(left));
    if (!synced) {
        slog("quit: the last settings and recordings were not yet synced to the disk");
    }
    return history && scratchpad && settings && synced;
}

} // namespace tavik
