#include "platform/defaults_values.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QVariant>

#include <cmath>

namespace tavik::platform::defaults {
namespace {

const QString dataMember = QStringLiteral("$data");

// 2^63: the first double above the qint64 range.
constexpr double int64Bound = 9223372036854775808.0;

std::optional<qint64> integralNumber(const QJsonValue& value) {
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong) {
        return variant.toLongLong();
    }
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number || number < -int64Bound ||
        number >= int64Bound) {
        return std::nullopt;
    }
    return static_cast<qint64>(number);
}

} // namespace

std::optional<qint64> exactInt(const QJsonValue& value) {
    return integralNumber(value);
}

std::optional<bool> exactBool(const QJsonValue& value) {
    if (value.isBool()) {
        return value.toBool();
    }
    const auto number = integralNumber(value);
    if (number == 0 || number == 1) {
        return *number == 1;
    }
    return std::nullopt;
}

std::optional<QString> string(const QJsonValue& value) {
    if (value.isString()) {
        return value.toString();
    }
    if (const auto integer = integralNumber(value)) {
        return QString::number(*integer);
    }
    if (value.isDouble()) {
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    }
    return std::nullopt;
}

bool boolean(const QJsonValue& value) {
    if (value.isBool()) {
        return value.toBool();
    }
    if (value.isDouble()) {
        return value.toDouble() != 0.0;
    }
    if (value.isString()) {
        const QString text = value.toString();
        return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
               text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 ||
               text == QLatin1String("1");
    }
    return false;
}

std::optional<QByteArray> data(const QJsonValue& value) {
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    const QJsonValue encoded = object.value(dataMember);
    if (object.size() != 1 || !encoded.isString()) {
        return std::nullopt;
    }
    auto decoded = QByteArray::fromBase64Encoding(encoded.toString().toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        return std::nullopt;
    }
    return std::move(decoded.decoded);
}

std::optional<QStringList> stringArray(const QJsonValue& value) {
    if (!value.isArray()) {
        return std::nullopt;
    }
    QStringList list;
    for (const QJsonValue element : value.toArray()) {
        if (!element.isString()) {
            return std::nullopt;
        }
        list.append(element.toString());
    }
    return list;
}

QJsonValue fromData(const QByteArray& bytes) {
    return QJsonObject{{dataMember, QString::fromLatin1(bytes.toBase64())}};
}

QJsonValue fromStringList(const QStringList& list) {
    return QJsonArray::fromStringList(list);
}

} // namespace tavik::platform::defaults
