#pragma once

#include <QJsonValue>
#include <QStringView>

#include <optional>
#include <span>

// Enumerations whose identity is a stable raw string (stored in settings files) share these
// entry points; each enumeration specialises them beside its own definition.
namespace tavik {

// Every case in the order a settings pane offers them.
template <class T> std::span<const T> allCases();

// The case whose raw value is exactly `raw` (letter case counts), or none.
template <class T> std::optional<T> fromRawValue(QStringView raw);

// A JSON value decodes only when it is a string holding a raw value.
template <class T> std::optional<T> fromJson(const QJsonValue& value) {
    if (!value.isString()) {
        return std::nullopt;
    }
    return fromRawValue<T>(value.toString());
}

} // namespace tavik
