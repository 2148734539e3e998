#include "app/stores/vocabulary_lexicon.h"

#include "app/stores/text_graphemes.h"

#include <QFile>
#include <QStringDecoder>

#include <optional>

namespace tavik {
namespace {

std::optional<QString> readStrictUtf8(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

} // namespace

VocabularyLexicon::VocabularyLexicon(QStringList candidateFiles)
    : candidateFiles_(std::move(candidateFiles)) {}

std::shared_ptr<const VocabularyLexicon> VocabularyLexicon::system() {
    static const auto lexicon = std::make_shared<const VocabularyLexicon>(
        QStringList{"/usr/share/dict/words", "/usr/dict/words"});
    return lexicon;
}

void VocabularyLexicon::loadOnce() const {
    std::call_once(once_, [this] {
        for (const QString& path : candidateFiles_) {
            const std::optional<QString> text = readStrictUtf8(path);
            if (!text) {
                continue;
            }
            // Lines are taken as they are ("\r" of a CR LF file stays): only empty ones go.
            const QList<QStringView> lines = QStringView(*text).split(u'\n', Qt::SkipEmptyParts);
            words_.reserve(lines.size());
            for (const QStringView line : lines) {
                words_.insert(text::normalizedNfc(text::toLowerFull(line)));
            }
            break;
        }
        loaded_.store(true);
    });
}

bool VocabularyLexicon::contains(const QString& lowerWord) const {
    loadOnce();
    return words_.contains(lowerWord);
}

qsizetype VocabularyLexicon::size() const {
    loadOnce();
    return words_.size();
}

} // namespace tavik
