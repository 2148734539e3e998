#pragma once

#include <QObject>
#include <QString>

namespace tavik::panes {

// What the person has typed into the dictionary's add field and not yet added. It lives as long
// as the pane, so nothing that happens elsewhere (a dictation ending, a store change) clears it.
class VocabularyDraft final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QString& newTerm() const { return newTerm_; }
    void setNewTerm(const QString& text);

signals:
    void newTermChanged(const QString& text);

private:
    QString newTerm_;
};

} // namespace tavik::panes
