#pragma once

#include <QObject>
#include <QString>

namespace tavik::panes {

// The transforms pane's add form as typed and not yet added: the AI transform's name and its
// instruction. It lives as long as the pane, so a store change never clears it.
class TransformDraft final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QString& name() const { return name_; }
    const QString& instruction() const { return instruction_; }
    void setName(const QString& text);
    void setInstruction(const QString& text);

signals:
    void nameChanged(const QString& text);
    void instructionChanged(const QString& text);

private:
    QString name_;
    QString instruction_;
};

} // namespace tavik::panes
