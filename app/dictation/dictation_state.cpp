#include "app/dictation/dictation_state.h"

#include "app/dictation/dictation_ports.h"

namespace tavik::dictation {

QString State::toLogString() const {
    switch (kind_) {
    case Kind::loading:
        return QStringLiteral("loading");
    case Kind::idle:
        return QStringLiteral("idle");
    case Kind::recording:
        return QStringLiteral("recording");
    case Kind::transcribing:
        return QStringLiteral("transcribing");
    case Kind::failed:
        return QStringLiteral("failed(\"%1\")").arg(message_);
    }
    return {};
}

QString fixed(double value, int decimals) {
    // QString::number always formats in the C locale, whatever LC_ALL says.
    return QString::number(value, 'f', decimals);
}

QString actionRawValue(Action action) {
    return action == Action::handsFree ? QStringLiteral("handsFree") : QStringLiteral("pushToTalk");
}

} // namespace tavik::dictation
