#include "app/stores/once_readable_body.h"

#include <algorithm>
#include <cstring>

namespace tavik {

OnceReadableBody::OnceReadableBody(QByteArray bytes, QObject* parent)
    : QIODevice(parent), bytes_(std::move(bytes)) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 OnceReadableBody::bytesAvailable() const {
    return bytes_.size() - position_ + QIODevice::bytesAvailable();
}

qint64 OnceReadableBody::readData(char* data, qint64 maxSize) {
    const qint64 count = std::min<qint64>(maxSize, bytes_.size() - position_);
    if (count <= 0) {
        return -1; // the end: a sequential device says so with -1, not 0 ("nothing yet")
    }
    std::memcpy(data, bytes_.constData() + position_, size_t(count));
    position_ += count;
    return count;
}

qint64 OnceReadableBody::writeData(const char*, qint64) {
    return -1;
}

} // namespace tavik
