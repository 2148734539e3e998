#include "app/panes/history/history_texts.h"

#include "app/panes/history/figure_text.h"
#include "app/stores/preferences.h"
#include "app/stores/readable_text.h"

namespace tavik::panes::history_texts {

QString dayLabel(const QDateTime& day, const QDateTime& now, const DayCalendar& calendar,
                 const QLocale& locale) {
    const QDate date = day.toTimeZone(calendar.zone()).date();
    const QDate today = now.toTimeZone(calendar.zone()).date();
    if (date == today) {
        return QStringLiteral("Today");
    }
    // Yesterday wins over the year test: on 1 January, 31 December is "Yesterday".
    if (date == today.addDays(-1)) {
        return QStringLiteral("Yesterday");
    }
    const QString pattern =
        date.year() == today.year() ? QStringLiteral("dddd d MMMM") : QStringLiteral("d MMMM yyyy");
    return locale.toString(date, pattern);
}

QString timeText(const QDateTime& at, const DayCalendar& calendar, const QLocale& locale) {
    return locale.toString(at.toTimeZone(calendar.zone()).time(), QStringLiteral("HH:mm"));
}

QString gestureWord(const Preferences& preferences) {
    std::optional<TriggerBinding> binding = preferences.binding(DictationAction::pushToTalk);
    if (!binding) {
        binding = preferences.binding(DictationAction::handsFree);
    }
    return binding ? label(binding->gesture) : QStringLiteral("Set a key");
}

QString captionText(const HistoryEntry& entry) {
    const QString separator = QStringLiteral(" · ");
    return entry.app + separator + entry.via + separator +
           integerText(truncToInt64(entry.latencyMs)) + QStringLiteral("ms");
}

QString warningText(const HistoryEntry& entry) {
    return QStringLiteral("Could not type into ") + entry.app +
           QStringLiteral(" — copied to clipboard");
}

QString noMatchText(const QString& search) {
    return QStringLiteral("Nothing matches “") + search + QStringLiteral("”.");
}

QString emptyHintText(const QString& primaryLabel) {
    return QStringLiteral("Put your cursor in any text field, hold ") + primaryLabel +
           QStringLiteral(", and say something. It will appear here.");
}

QString appliedNotice(const QString& kindLabel) {
    return QStringLiteral("“") + kindLabel + QStringLiteral("” applied — on your clipboard.");
}

QString rewritingNotice(const QString& transformName) {
    return QStringLiteral("Rewriting with “") + transformName + QStringLiteral("”…");
}

QString rewriteDoneNotice(const QString& transformName) {
    return QStringLiteral("“") + transformName +
           QStringLiteral("” done — the rewrite is on your clipboard.");
}

QString rewriteFailedNotice(const QString& errorDescription) {
    constexpr qsizetype longestNotice = 300;
    return shortened(withoutControls(errorDescription), longestNotice);
}

QString couldNotPlayNotice(const QString& reason) {
    return QStringLiteral("Could not play what you said: ") + reason + QStringLiteral(".");
}

QString aiItemTitle(const QString& transformName) {
    return transformName + QStringLiteral("  ↗");
}

} // namespace tavik::panes::history_texts
