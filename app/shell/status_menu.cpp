#include "app/shell/status_menu.h"

#include "app/shell/design/buttons.h"
#include "app/stores/text_graphemes.h"

#include <QAction>
#include <QMenu>
#include <QTextDocument>

#include <cmath>
#include <limits>

namespace tavik::status_menu {
namespace {

using Kind = dictation::State::Kind;

Item disabledLine(const QString& title) {
    Item item;
    item.title = title;
    return item;
}

Item separator() {
    Item item;
    item.separator = true;
    return item;
}

Item command(const QString& title, Action action, const QKeySequence& shortcut = {}) {
    Item item;
    item.title = title;
    item.enabled = true;
    item.action = action;
    item.shortcut = shortcut;
    return item;
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
    const std::vector<qsizetype> bounds = text::graphemeBoundaries(text);
    // bounds holds one offset more than there are characters.
    if (static_cast<qsizetype>(bounds.size()) - 1 <= titleCharacters) {
        return text;
    }
    return text.left(bounds[titleCharacters]) + QStringLiteral("…");
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
    lines << disabledLine(statusLine(inputs.state, inputs.triggerLabel));
    if (inputs.lastError) {
        lines << disabledLine(*inputs.lastError);
    }
    lines << separator();
    if (inputs.entries.isEmpty()) {
        lines << disabledLine(QStringLiteral("Nothing dictated yet"));
    } else {
        lines << disabledLine(QStringLiteral("Recent"));
        const qsizetype shown = std::min<qsizetype>(inputs.entries.size(), recentCount);
        for (qsizetype i = 0; i < shown; ++i) {
            const HistoryEntry& entry = inputs.entries.at(i);
            Item item = command(entryTitle(entry.text), Action::copyEntry);
            item.copyText = entry.text;
            item.toolTip = entryToolTip(entry);
            lines << item;
        }
    }
    lines << separator();
    lines << command(QStringLiteral("Open Tavik"), Action::openMain,
                     QKeySequence(Qt::CTRL | Qt::Key_O));
    lines << command(QStringLiteral("Insights"), Action::openInsights);
    lines << command(QStringLiteral("Dictionary"), Action::openDictionary);
    lines << command(QStringLiteral("Settings…"), Action::openSettings,
                     QKeySequence(Qt::CTRL | Qt::Key_Comma));
    lines << command(QStringLiteral("Quit Tavik"), Action::quit,
                     QKeySequence(Qt::CTRL | Qt::Key_Q));
    return lines;
}

QString actionText(const QString& plain) {
    QString text = plain;
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return design::escapeMnemonics(text);
}

void fill(QMenu& menu, const QList<Item>& lines,
          const std::function<void(Action, const QAction&)>& onChosen) {
    menu.clear();
    menu.setToolTipsVisible(true);
    for (const Item& line : lines) {
        if (line.separator) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(actionText(line.title));
        action->setEnabled(line.enabled);
        action->setShortcut(line.shortcut);
        if (line.action == Action::copyEntry) {
            action->setData(line.copyText);
        }
        if (!line.toolTip.isEmpty()) {
            action->setToolTip(plainToolTip(line.toolTip));
        }
        if (line.enabled && line.action != Action::none) {
            const Action chosen = line.action;
            QObject::connect(action, &QAction::triggered, &menu,
                             [action, chosen, onChosen] { onChosen(chosen, *action); });
        }
    }
}

} // namespace tavik::status_menu
