#include "app/shell/status_menu.h"

#include "app/shell/design/buttons.h"
#include "app/stores/text_graphemes.h"

#include <QAction>
#include <QMenu>
#include <QSet>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavik::status_menu {
namespace {

using Kind = dictation::State::Kind;

const char* const keyProperty = "tavikMenuKey";
const char* const retiredProperty = "tavikMenuRetired";

Item disabledLine(const QString& key, const QString& title) {
    Item item;
    item.key = key;
    item.title = title;
    return item;
}

Item separator(const QString& key) {
    Item item;
    item.key = key;
    item.separator = true;
    return item;
}

Item command(const QString& key, const QString& title, Action action,
             const QKeySequence& shortcut = {}) {
    Item item;
    item.key = key;
    item.title = title;
    item.enabled = true;
    item.action = action;
    item.shortcut = shortcut;
    return item;
}

// A recent dictation's key follows its entry; a hand-edited history may repeat an id, and
// each line still needs a key of its own.
QString entryKey(const HistoryEntry& entry, QSet<QString>& taken) {
    const QString base = QStringLiteral("entry:") + entry.id.toString(QUuid::WithoutBraces);
    QString key = base;
    for (int n = 2; taken.contains(key); ++n) {
        key = base + QLatin1Char('#') + QString::number(n);
    }
    taken.insert(key);
    return key;
}

// Qt guesses whether a tool tip is markup; a dictation's app name must never be read as such.
QString plainToolTip(const QString& text) {
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap) : text;
}

} // namespace

QString statusLine(const dictation::State& state, const QString& triggerLabel) {
    switch (state.kind()) {
    case Kind::loading:
        return QStringLiteral("Loading model…");
    case Kind::idle:
        return QStringLiteral("Ready — ") + triggerLabel + QStringLiteral(" to speak");
    case Kind::recording:
        return QStringLiteral("Listening…");
    case Kind::transcribing:
        return QStringLiteral("Transcribing…");
    case Kind::failed:
        return state.message();
    }
    return state.message();
}

QString entryTitle(const QString& text) {
    // The menu is rebuilt with every change of state: a dictation of megabytes must cost no more
    // than its first characters.
    const qsizetype end = text::graphemePrefixEnd(text, titleCharacters);
    return end < 0 ? text : text.left(end) + QStringLiteral("…");
}

QString wholeMilliseconds(double latencyMs) {
    if (!std::isfinite(latencyMs)) {
        return QStringLiteral("0");
    }
    constexpr double lowest = static_cast<double>(std::numeric_limits<qint64>::min());
    constexpr double highest = 9.2e18; // below 2^63, so the conversion below stays defined
    const double clamped = std::clamp(std::trunc(latencyMs), lowest, highest);
    return QString::number(static_cast<qint64>(clamped));
}

QString entryToolTip(const HistoryEntry& entry) {
    return entry.app + QStringLiteral(" · via ") + entry.via + QStringLiteral(" · ") +
           wholeMilliseconds(entry.latencyMs) + QStringLiteral("ms — click to copy");
}

QList<Item> items(const Inputs& inputs) {
    QList<Item> lines;
    lines << disabledLine(QStringLiteral("status"), statusLine(inputs.state, inputs.triggerLabel));
    if (inputs.lastError) {
        lines << disabledLine(QStringLiteral("problem"), *inputs.lastError);
    }
    lines << separator(QStringLiteral("separator-recent"));
    if (inputs.entries.isEmpty()) {
        lines << disabledLine(QStringLiteral("nothing-yet"),
                              QStringLiteral("Nothing dictated yet"));
    } else {
        lines << disabledLine(QStringLiteral("recent"), QStringLiteral("Recent"));
        const qsizetype shown = std::min<qsizetype>(inputs.entries.size(), recentCount);
        QSet<QString> taken;
        for (qsizetype i = 0; i < shown; ++i) {
            const HistoryEntry& entry = inputs.entries.at(i);
            Item item = command(entryKey(entry, taken), entryTitle(entry.text), Action::copyEntry);
            item.copyText = entry.text;
            item.toolTip = entryToolTip(entry);
            lines << item;
        }
    }
    lines << separator(QStringLiteral("separator-commands"));
    lines << command(QStringLiteral("open-main"), QStringLiteral("Open Tavik"), Action::openMain,
                     QKeySequence(Qt::CTRL | Qt::Key_O));
    lines << command(QStringLiteral("insights"), QStringLiteral("Insights"), Action::openInsights);
    lines << command(QStringLiteral("dictionary"), QStringLiteral("Dictionary"),
                     Action::openDictionary);
    lines << command(QStringLiteral("settings"), QStringLiteral("Settings…"), Action::openSettings,
                     QKeySequence(Qt::CTRL | Qt::Key_Comma));
    lines << command(QStringLiteral("quit"), QStringLiteral("Quit Tavik"), Action::quit,
                     QKeySequence(Qt::CTRL | Qt::Key_Q));
    return lines;
}

bool sameLines(const QList<Item>& a, const QList<Item>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Item& x, const Item& y) {
        // A recent dictation's text is the history's own string, so comparing it costs nothing
        // while it is unchanged, however long it is.
        return x.key == y.key && x.separator == y.separator && x.title == y.title &&
               x.enabled == y.enabled && x.action == y.action &&
               text::sameText(x.copyText, y.copyText) && x.toolTip == y.toolTip &&
               x.shortcut == y.shortcut;
    });
}

QString shownTitle(const QString& plain) {
    QString text = plain;
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

QString actionText(const QString& plain) {
    return design::escapeMnemonics(shownTitle(plain));
}

void fill(QMenu& menu, const QList<Item>& lines,
          const std::function<void(Action, const QAction&)>& onChosen) {
    menu.setToolTipsVisible(true);
    QHash<QString, QAction*> byKey;
    for (QAction* action : menu.findChildren<QAction*>(Qt::FindDirectChildrenOnly)) {
        const QString key = action->property(keyProperty).toString();
        if (!key.isEmpty()) {
            byKey.insert(key, action);
        }
    }
    QList<QAction*> ordered;
    for (const Item& line : lines) {
        QAction* action = byKey.take(line.key);
        if (action == nullptr || action->isSeparator() != line.separator) {
            action = new QAction(&menu);
            action->setProperty(keyProperty, line.key);
            action->setSeparator(line.separator);
        }
        action->setProperty(retiredProperty, false);
        ordered << action;
        if (line.separator) {
            continue;
        }
        action->setText(actionText(line.title));
        action->setEnabled(line.enabled);
        action->setShortcut(line.shortcut);
        action->setData(line.action == Action::copyEntry ? QVariant(line.copyText) : QVariant());
        action->setToolTip(line.toolTip.isEmpty() ? QString() : plainToolTip(line.toolTip));
        // Our connection has the item itself as its receiver; the menu's own stays.
        QObject::disconnect(action, &QAction::triggered, action, nullptr);
        if (line.enabled && line.action != Action::none && onChosen) {
            const Action chosen = line.action;
            QObject::connect(action, &QAction::triggered, action,
                             [action, chosen, onChosen] { onChosen(chosen, *action); });
        }
    }
    if (menu.actions() == ordered) {
        return;
    }
    for (QAction* shown : menu.actions()) {
        menu.removeAction(shown);
    }
    menu.addActions(ordered);
    // The lines that left: kept for one more change, then gone.
    for (QAction* left : std::as_const(byKey)) {
        if (left->property(retiredProperty).toBool()) {
            delete left;
        } else {
            left->setProperty(retiredProperty, true);
        }
    }
}

QAction* itemFor(const QMenu& menu, const QString& key) {
    for (QAction* action : menu.findChildren<QAction*>(Qt::FindDirectChildrenOnly)) {
        if (action->property(keyProperty).toString() == key) {
            return action;
        }
    }
    return nullptr;
}

} // namespace tavik::status_menu
