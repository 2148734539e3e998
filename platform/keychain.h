#pragma once

#include <QString>

#include <chrono>
#include <optional>

namespace tavik::platform {

// A few small secrets of the user (the rewrite service key) kept in the desktop's secret store,
// as generic passwords of the service "com.trelvanic.tavik" with the account set to the given
// name. Failures of the store are not reported: a missing store reads as no value. Every call is
// bounded, so a store that waits for a prompt cannot hang the caller.
class Keychain {
public:
    static constexpr const char* service = "com.trelvanic.tavik";
    static constexpr std::chrono::milliseconds callLimit{5'000};

    // Removes the item of `account`, then stores `value` when it is not empty.
    static void set(const QString& value, const QString& account);
    // The stored value when there is one and it is non-empty UTF-8 text.
    static std::optional<QString> get(const QString& account);
    static void remove(const QString& account);
};

} // namespace tavik::platform
