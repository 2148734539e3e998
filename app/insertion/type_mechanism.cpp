#include "app/insertion/insertion_codes.h"
#include "app/insertion/insertion_ports.h"
#include "app/insertion/mechanisms.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>

namespace tavik {
namespace {

QString untyped; // the end of the last text whose typing stopped part-way

int utf16Units(char32_t codePoint) {
    return codePoint > 0xFFFF ? 2 : 1;
}

} // namespace

std::u32string typeableText(const QString& text) {
    std::u32string result;
    const QList<uint> codePoints = text.toUcs4();
    result.reserve(static_cast<std::size_t>(codePoints.size()));
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        const char32_t cp = codePoints[i];
        if (cp == U'\r') {
            result.push_back(U'\n');
            if (i + 1 < codePoints.size() && codePoints[i + 1] == U'\n') {
                ++i; // "\r\n" is one line break
            }
        } else if (cp == U'\n' || cp == U'\t') {
            result.push_back(cp);
        } else if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
            continue; // no key types these
        } else {
            result.push_back(cp);
        }
    }
    return result;
}

std::vector<std::u32string> typingChunks(const std::u32string& text, int distinctLimit) {
    std::vector<std::u32string> chunks;
    std::u32string chunk;
    int units = 0;
    std::set<char32_t> distinct;
    for (char32_t cp : text) {
        const bool newCharacter = distinct.count(cp) == 0;
        if (!chunk.empty() &&
            (units + utf16Units(cp) > typingChunkUnits ||
             (newCharacter && static_cast<int>(distinct.size()) >= distinctLimit))) {
            chunks.push_back(std::move(chunk));
            chunk.clear();
            units = 0;
            distinct.clear();
        }
        chunk.push_back(cp);
        units += utf16Units(cp);
        distinct.insert(cp);
    }
    if (!chunk.empty()) {
        chunks.push_back(std::move(chunk));
    }
    return chunks;
}

std::uint32_t runType(const QString& text) {
    untyped.clear();
    const InsertionPorts& ports = insertionPorts();
    platform::KeySynth& keys = *ports.keys;
    if (!keys.available()) {
        return OUTCOME_FAILED;
    }
    if (text.isEmpty()) {
        return OUTCOME_SUCCEEDED;
    }
    const std::u32string typeable = typeableText(text);
    if (typeable.empty()) {
        return OUTCOME_SUCCEEDED;
    }
    // Everything is checked before the first key goes out, so a failure leaves no half text.
    const int capacity = keys.typingBatchCapacity();
    if (capacity <= 0 || !keys.canType(typeable)) {
        return OUTCOME_FAILED;
    }
    // Typing ends where the keyboard focus or the application in front changes: the rest
    // would land elsewhere. What was not typed is kept for the clipboard.
    platform::Frontmost* frontmost = ports.frontmost;
    auto target = std::make_shared<const std::optional<platform::RunningApp>>(frontmost->current());
    const std::function<bool()> stillTarget = [frontmost, target] {
        return frontmost->current() == *target;
    };
    const std::vector<std::u32string> chunks = typingChunks(typeable, capacity);
    const std::size_t typed = keys.typeText(chunks, typingPauseMs, stillTarget);
    if (typed >= chunks.size()) {
        return OUTCOME_SUCCEEDED;
    }
    if (typed == 0) {
        return OUTCOME_FAILED;
    }
    std::u32string rest;
    for (std::size_t i = typed; i < chunks.size(); ++i) {
        rest += chunks[i];
    }
    untyped = QString::fromUcs4(rest.data(), static_cast<qsizetype>(rest.size()));
    return OUTCOME_FAILED;
}

QString takeUntypedText() {
    return std::exchange(untyped, QString());
}

} // namespace tavik
