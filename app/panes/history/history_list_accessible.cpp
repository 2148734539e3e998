#include "app/panes/history/history_list_accessible.h"

#include "app/panes/history/history_list.h"
#include "app/panes/history/history_texts.h"
#include "app/stores/audio_store.h"

namespace tavik::panes {

namespace {

const QString copyName = QStringLiteral("Copy");
const QString playName = QStringLiteral("Play what you said");
const QString menuName = QStringLiteral("Transform and copy");
const QString deleteName = QStringLiteral("Delete");

// One row, found again by its entry's id on every question, so it answers for the row as it
// is now and reports itself invalid once the entry is no longer shown.
class RowAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    RowAccessible(HistoryList* list, QUuid id) : list_(list), id_(id) {}

    bool isValid() const override { return row() >= 0; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return list_ ? QAccessible::queryAccessibleInterface(list_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        const int r = row();
        if (r < 0) {
            return QString();
        }
        const HistoryEntry& entry = list_->listLayout().entry(r);
        if (t == QAccessible::Name) {
            return entry.text;
        }
        if (t == QAccessible::Description) {
            QString description = history_texts::timeText(entry.at, DayCalendar::current()) +
                                  QStringLiteral(" · ") + history_texts::captionText(entry);
            if (!entry.inserted) {
                description += QStringLiteral(". ") + history_texts::warningText(entry);
            }
            return description;
        }
        return QString();
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        const int r = row();
        if (r < 0) {
            return QRect();
        }
        const QRect local = list_->listLayout().rowRect(r).toAlignedRect();
        return QRect(list_->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.focusable = true;
        s.selectable = true;
        const bool current = isValid() && list_->currentRow() == row();
        s.selected = current;
        s.focused = current && list_->hasFocus();
        s.invisible = !isValid();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override {
        const int r = row();
        if (r < 0) {
            return {};
        }
        QStringList names{copyName};
        if (AudioStore::shared().exists(id_)) {
            names << playName;
        }
        names << menuName << deleteName;
        return names;
    }
    void doAction(const QString& name) override {
        const int r = row();
        if (r < 0) {
            return;
        }
        if (name == copyName) {
            list_->activate(r, EntryRow::Action::copy);
        } else if (name == playName) {
            list_->activate(r, EntryRow::Action::play);
        } else if (name == menuName) {
            list_->popUpMenu(r);
        } else if (name == deleteName) {
            list_->activate(r, EntryRow::Action::remove);
        }
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == copyName) {
            return {QKeySequence(QKeySequence::Copy).toString()};
        }
        if (name == deleteName) {
            return {QKeySequence(Qt::Key_Delete).toString()};
        }
        if (name == menuName) {
            return {QKeySequence(Qt::Key_Menu).toString()};
        }
        return {};
    }

    const QUuid& id() const { return id_; }

private:
    int row() const { return list_ ? list_->listLayout().rowOf(id_) : -1; }

    QPointer<HistoryList> list_;
    QUuid id_;
};

QAccessibleInterface* makeAccessible(const QString&, QObject* object) {
    if (auto* list = qobject_cast<HistoryList*>(object)) {
        return new HistoryListAccessible(list);
    }
    return nullptr;
}

} // namespace

HistoryListAccessible::HistoryListAccessible(HistoryList* list)
    : QAccessibleWidget(list, QAccessible::List, list->accessibleName()) {}

void HistoryListAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(&makeAccessible);
        return true;
    }();
    (void)installed;
}

HistoryList* HistoryListAccessible::list() const {
    return static_cast<HistoryList*>(widget());
}

int HistoryListAccessible::childCount() const {
    return list()->rowCount();
}

QAccessibleInterface* HistoryListAccessible::child(int index) const {
    HistoryList* owner = list();
    if (index < 0 || index >= owner->rowCount()) {
        return nullptr;
    }
    const QUuid id = owner->listLayout().entry(index).id;
    auto it = owner->accessibleRows_.constFind(id);
    if (it != owner->accessibleRows_.constEnd()) {
        if (QAccessibleInterface* known = QAccessible::accessibleInterface(*it)) {
            return known;
        }
    }
    auto* row = new RowAccessible(owner, id);
    owner->accessibleRows_.insert(id, QAccessible::registerAccessibleInterface(row));
    return row;
}

int HistoryListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* row = dynamic_cast<const RowAccessible*>(child);
    return row != nullptr ? list()->listLayout().rowOf(row->id()) : -1;
}

QAccessibleInterface* HistoryListAccessible::childAt(int x, int y) const {
    const QPoint local = list()->mapFromGlobal(QPoint(x, y));
    const int row = list()->listLayout().rowAt(QPointF(local));
    return row >= 0 ? child(row) : nullptr;
}

} // namespace tavik::panes
