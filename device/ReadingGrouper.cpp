#include "device/ReadingGrouper.h"

#include <utility>

ReadingGrouper::Held ReadingGrouper::add(const QByteArray& bytes)
{
    bytes_ += bytes;
    return held();
}

ReadingGrouper::Held ReadingGrouper::held() const
{
    if (bytes_.isEmpty()) {
        return Held::Nothing;
    }
    return bytes_.endsWith('\n') ? Held::Complete : Held::Partial;
}

QByteArray ReadingGrouper::take()
{
    return std::exchange(bytes_, QByteArray());
}

void ReadingGrouper::clear()
{
    bytes_.clear();
}
