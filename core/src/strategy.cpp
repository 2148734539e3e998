#include "strategy.h"

namespace nalo::strategy {

std::string_view display(Strategy strategy) {
    switch (strategy) {
    case Strategy::Accessibility:
        return "accessibility";
    case Strategy::Paste:
        return "paste";
    case Strategy::Type:
        return "type";
    }
    return "unknown";
}

std::string_view debugName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Succeeded:
        return "Succeeded";
    case Outcome::Unsupported:
        return "Unsupported";
    case Outcome::Discarded:
        return "Discarded";
    case Outcome::Failed:
        return "Failed";
    case Outcome::Refused:
        return "Refused";
    case Outcome::SucceededUnverified:
        return "SucceededUnverified";
    }
    return "Failed";
}

Outcome outcomeFromCode(std::uint32_t code) {
    if (code <= static_cast<std::uint32_t>(Outcome::SucceededUnverified)) {
        return static_cast<Outcome>(code);
    }
    return Outcome::Failed;
}

} // namespace nalo::strategy
