#pragma once

#include <mutex>
#include <utility>

namespace rz::detail {

// A record's field read or replaced under the record's mutex, so that each single access is
// indivisible.
template <class T> T LockedGet(std::mutex& mutex, const T& field)
{
    std::lock_guard lock(mutex);
    return field;
}

template <class T, class U> void LockedSet(std::mutex& mutex, T& field, U&& value)
{
    std::lock_guard lock(mutex);
    field = std::forward<U>(value);
}

} // namespace rz::detail
