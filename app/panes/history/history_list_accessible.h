#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <QUuid>

namespace tavik::panes {

class HistoryList;

// The history list as assistive technology sees it: a list whose children are the rows (named by
// their text, described by time, application, mechanism and any warning) with the row's actions.
// Rows exist for it only on request, like the painted rows themselves.
class HistoryListAccessible : public QAccessibleWidget {
public:
    explicit HistoryListAccessible(HistoryList* list);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    // Makes Qt use this class for every history list; safe to call again.
    static void install();

private:
    HistoryList* list() const;
};

} // namespace tavik::panes
