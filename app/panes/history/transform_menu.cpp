#include "app/panes/history/transform_menu.h"

#include "app/panes/history/history_texts.h"
#include "app/shell/design/buttons.h"

#include <QMenu>

namespace tavik::panes {

namespace {

// A menu title is one line, and a tab would start the shortcut column.
QString menuTitle(QString text) {
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            c = QLatin1Char(' ');
        }
    }
    return design::escapeMnemonics(text);
}

} // namespace

QMenu* makeTransformMenu(const HistoryEntry& entry, const EntryActions& actions, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(QStringLiteral("Transform and copy"));
    for (const TransformKind kind : transform_kind::allCases) {
        if (!transform_kind::isLocal(kind)) {
            continue;
        }
        QAction* item = menu->addAction(menuTitle(transform_kind::label(kind)));
        item->setData(transform_kind::rawValue(kind));
        QObject::connect(item, &QAction::triggered, menu,
                         [actions, entry, kind] { actions.applyLocal(entry, kind); });
    }
    bool separated = false;
    for (const Transforms::Transform& transform : Transforms::shared().items()) {
        if (transform.kind != TransformKind::ai) {
            continue;
        }
        if (!separated) {
            menu->addSeparator();
            separated = true;
        }
        QAction* item = menu->addAction(menuTitle(history_texts::aiItemTitle(transform.name)));
        item->setData(transform.id);
        QObject::connect(item, &QAction::triggered, menu,
                         [actions, entry, transform] { actions.runAI(entry, transform); });
    }
    return menu;
}

} // namespace tavik::panes
