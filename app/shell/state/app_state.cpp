#include "app/shell/state/app_state.h"

namespace tavik {

namespace {

constexpr std::int64_t noticeDelayMs = 2'500;
constexpr std::int64_t errorNoticeDelayMs = 8'000;

struct SectionInfo {
    AppState::Section section;
    const char* raw;
    const char* title;
    const char* icon;
};

constexpr SectionInfo sectionTable[] = {
    {AppState::Section::dictation, "dictation", "Dictation", "mic"},
    {AppState::Section::insights, "insights", "Insights", "chart.bar"},
    {AppState::Section::dictionary, "dictionary", "Dictionary", "character.book.closed"},
    {AppState::Section::snippets, "snippets", "Snippets", "text.badge.plus"},
    {AppState::Section::transforms, "transforms", "Transforms", "wand.and.stars"},
    {AppState::Section::scratchpad, "scratchpad", "Scratchpad", "note.text"},
    {AppState::Section::settings, "settings", "Settings", "gearshape"},
};

const SectionInfo& info(AppState::Section section) {
    return sectionTable[static_cast<int>(section)];
}

} // namespace

QList<AppState::Section> AppState::allSections() {
    QList<Section> sections;
    for (const SectionInfo& row : sectionTable) {
        sections.append(row.section);
    }
    return sections;
}

QString AppState::rawValue(Section section) {
    return QString::fromLatin1(info(section).raw);
}

QString AppState::title(Section section) {
    return QString::fromLatin1(info(section).title);
}

QString AppState::icon(Section section) {
    return QString::fromLatin1(info(section).icon);
}

std::optional<AppState::Section> AppState::sectionFromRawValue(const QString& raw) {
    for (const SectionInfo& row : sectionTable) {
        if (raw == QLatin1String(row.raw)) {
            return row.section;
        }
    }
    return std::nullopt;
}

AppState::AppState(platform::Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {}

AppState::~AppState() {
    // The clock may outlive the state; its pending clear must not reach a destroyed object.
    clock_.cancel(noticeTimer_);
}

void AppState::setSection(Section section) {
    section_ = section;
    emit sectionChanged(section);
}

void AppState::setSearch(const QString& search) {
    search_ = search;
    emit searchChanged(search);
}

void AppState::setHovered(const std::optional<QUuid>& id) {
    hovered_ = id;
    emit hoveredChanged();
}

void AppState::setCopied(const std::optional<QUuid>& id) {
    copied_ = id;
    emit copiedChanged();
}

void AppState::say(const QString& text, bool isError) {
    notice_ = text;
    noticeIsError_ = isError;
    const qint64 token = ++noticeToken_;
    emit noticeChanged();
    // Only the latest notice's clear can fire: an older one would find a newer token anyway,
    // and cancelling it keeps the clock's queue to one entry.
    clock_.cancel(noticeTimer_);
    noticeTimer_ = clock_.schedule(platform::msToNs(isError ? errorNoticeDelayMs : noticeDelayMs),
                                   [this, token] {
                                       noticeTimer_ = platform::Clock::noTimer;
                                       if (noticeToken_ != token) {
                                           return;
                                       }
                                       notice_.reset();
                                       emit noticeChanged();
                                   });
}

} // namespace tavik
