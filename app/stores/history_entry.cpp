#include "app/stores/history_entry.h"

#include "app/stores/text_graphemes.h"

namespace tavik {

int HistoryEntry::wordCount() const {
    return text::countWords(text);
}

std::optional<double> HistoryEntry::wordsPerMinute() const {
    // Written so that a duration that is not a number fails the test too.
    if (!(duration >= 1.0)) {
        return std::nullopt;
    }
    return wordsPerMinute(wordCount());
}

std::optional<double> HistoryEntry::wordsPerMinute(int words) const {
    if (!(duration >= 1.0) || words < 3) {
        return std::nullopt;
    }
    return double(words) / (duration / 60.0);
}

} // namespace tavik
