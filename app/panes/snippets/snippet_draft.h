#pragma once

#include <QObject>
#include <QString>

namespace tavik::panes {

// The snippets pane's add form as typed and not yet added: the phrase to say and the text to
// get. It lives as long as the pane, so a dictation ending or a store change never clears it.
class SnippetDraft final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QString& trigger() const { return trigger_; }
    const QString& expansion() const { return expansion_; }
    void setTrigger(const QString& text);
    void setExpansion(const QString& text);

signals:
    void triggerChanged(const QString& text);
    void expansionChanged(const QString& text);

private:
    QString trigger_;
    QString expansion_;
};

} // namespace tavik::panes
