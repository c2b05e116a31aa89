#pragma once

#include <QDateTime>
#include <QVariant>

#include <array>
#include <limits>

// How the observation tables hold a time and how much of a sample's reply
// was read: what the store's observation writes put in their columns and
// its read takes back.
namespace store_internal {

// The milliseconds column of a time not known.
inline constexpr qint64 kUnknownMs = std::numeric_limits<qint64>::min();

inline QVariant msOf(const QDateTime& at)
{
    return at.isValid() ? at.toMSecsSinceEpoch() : kUnknownMs;
}

inline QVariant offsetOf(const QDateTime& at)
{
    return at.isValid() ? QVariant(at.offsetFromUtc()) : QVariant(QMetaType::fromType<int>());
}

inline QDateTime timeOf(const QVariant& ms, const QVariant& offset)
{
    if (ms.toLongLong() == kUnknownMs || !offset.isValid() || offset.isNull())
        return {};
    return QDateTime::fromMSecsSinceEpoch(ms.toLongLong(), Qt::OffsetFromUTC, offset.toInt());
}

// How much of a sample's reply was read, as its column holds it: the names
// of ObservedSample::Reply in its order.
inline constexpr std::array<const char*, 4> kReplyNames{"whole", "cut", "not_read", "window"};

} // namespace store_internal
