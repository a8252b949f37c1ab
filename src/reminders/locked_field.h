// SPDX-License-Identifier: GPL-3.0-or-later
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

// A list key: lists index their records by it, so it changes only while no list holds the record
// (`lists` counts the holders). False when refused.
template <class T, class U> bool LockedSetKey(std::mutex& mutex, const int& lists, T& field, U&& value)
{
    std::lock_guard lock(mutex);
    if (lists > 0) {
        return false;
    }
    field = std::forward<U>(value);
    return true;
}

template <class T> void LockedAdd(std::mutex& mutex, T& field, T delta)
{
    std::lock_guard lock(mutex);
    field += delta;
}

} // namespace rz::detail
