#pragma once

#include "app/stores/day_calendar.h"
#include "app/stores/history_entry.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace tavik {
class Preferences;
}

// The history pane's texts, built from data by plain concatenation: a value is never read as a
// format or markup, so an app called "%2" or a search for "<b>" shows as written.
namespace tavik::panes::history_texts {

// The caption of a day group: "Today", "Yesterday", else the day in the locale's words,
// "Monday 3 March" within the current year and "3 March 2024" before it. `day` and `now` are
// read on `calendar`'s days.
QString dayLabel(const QDateTime& day, const QDateTime& now, const DayCalendar& calendar,
                 const QLocale& locale = QLocale());

// An entry's time of day on the 24-hour clock, "09:05".
QString timeText(const QDateTime& at, const DayCalendar& calendar,
                 const QLocale& locale = QLocale());

// "Hold" or "Double-tap" for the binding the key cap names (push-to-talk first, then
// hands-free); "Set a key" when neither is switched on.
QString gestureWord(const Preferences& preferences);

// "Mail · paste · 412ms": the application, the mechanism and the latency truncated.
QString captionText(const HistoryEntry& entry);

// The line under an entry that only reached the clipboard.
QString warningText(const HistoryEntry& entry);

QString noMatchText(const QString& search);
QString emptyHintText(const QString& primaryLabel);

// The notices of the transform menu.
QString appliedNotice(const QString& kindLabel);
QString rewritingNotice(const QString& transformName);
QString rewriteDoneNotice(const QString& transformName);
// A failed rewrite's error as its notice shows it. The text may be the service's own: cut to a
// length a notice lays out at once, without controls or bidirectional overrides.
QString rewriteFailedNotice(const QString& errorDescription);
// The error notice when a row's recording cannot play, with the sound server's part in it.
QString couldNotPlayNotice(const QString& reason);

// The menu title of an AI transform: its name, two spaces and "↗".
QString aiItemTitle(const QString& transformName);

} // namespace tavik::panes::history_texts
