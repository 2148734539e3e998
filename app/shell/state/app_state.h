#pragma once

#include "platform/clock.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace tavik {

// The main window's own state, shared by its sidebar and panes: the section on show, the history
// search text, the history row under the pointer or copied last, and a transient notice. Nothing
// here is saved; each launch starts from the defaults.
class AppState final : public QObject {
    Q_OBJECT
public:
    enum class Section {
        dictation,
        insights,
        dictionary,
        snippets,
        transforms,
        scratchpad,
        settings
    };

    static QList<Section> allSections();
    static QString rawValue(Section section);
    static QString title(Section section);
    static QString icon(Section section); // the glyph name the sidebar draws
    static std::optional<Section> sectionFromRawValue(const QString& raw); // exact, case-sensitive

    explicit AppState(platform::Clock& clock = platform::Clock::system(),
                      QObject* parent = nullptr);
    ~AppState() override;

    // The clock the window's panes read the time from.
    platform::Clock& clock() const { return clock_; }

    Section section() const { return section_; }
    void setSection(Section section);

    const QString& search() const { return search_; }
    void setSearch(const QString& search);

    const std::optional<QUuid>& hovered() const { return hovered_; }
    void setHovered(const std::optional<QUuid>& id);

    const std::optional<QUuid>& copied() const { return copied_; }
    void setCopied(const std::optional<QUuid>& id);

    const std::optional<QString>& notice() const { return notice_; }
    bool noticeIsError() const { return noticeIsError_; }

    // Shows `text` as the transient notice; it clears itself after 2.5 s (8 s for an error)
    // unless a newer notice has come meanwhile, which gets its own full delay.
    void say(const QString& text, bool isError);

signals:
    void sectionChanged(tavik::AppState::Section section);
    void searchChanged(const QString& search);
    void hoveredChanged();
    void copiedChanged();
    void noticeChanged();

private:
    platform::Clock& clock_;
    Section section_ = Section::dictation;
    QString search_;
    std::optional<QUuid> hovered_;
    std::optional<QUuid> copied_;
    std::optional<QString> notice_;
    bool noticeIsError_ = false;
    qint64 noticeToken_ = 0;
    platform::Clock::TimerId noticeTimer_ = platform::Clock::noTimer;
};

} // namespace tavik
