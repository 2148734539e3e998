#include "app/panes/dictionary/dictionary_rules.h"

#include "app/stores/text_graphemes.h"

#include <QSet>

namespace tavik::panes::dictionary {
namespace {

QSet<QString> composedSet(const QStringList& terms) {
    QSet<QString> set;
    set.reserve(terms.size());
    for (const QString& term : terms) {
        set.insert(text::normalizedNfc(term));
    }
    return set;
}

} // namespace

bool sameTerm(const QString& a, const QString& b) {
    return a == b || text::normalizedNfc(a) == text::normalizedNfc(b);
}

QString trimmedTerm(const QString& typed) {
    return text::trimSpacesAndTabs(typed);
}

std::optional<QStringList> withAdded(const QStringList& terms, const QString& typed) {
    const QString term = trimmedTerm(typed);
    if (term.isEmpty() || composedSet(terms).contains(text::normalizedNfc(term))) {
        return std::nullopt;
    }
    QStringList next = terms;
    next.append(term);
    return next;
}

QStringList without(const QStringList& terms, const QString& term) {
    const QString composed = text::normalizedNfc(term);
    QStringList kept;
    kept.reserve(terms.size());
    for (const QString& existing : terms) {
        if (text::normalizedNfc(existing) != composed) {
            kept.append(existing);
        }
    }
    return kept;
}

QStringList offered(const QStringList& suggestions, const QStringList& terms) {
    const QSet<QString> taken = composedSet(terms);
    QStringList left;
    for (const QString& suggestion : suggestions) {
        if (!taken.contains(text::normalizedNfc(suggestion))) {
            left.append(suggestion);
        }
    }
    return left;
}

} // namespace tavik::panes::dictionary
