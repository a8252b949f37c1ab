// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <string>
#include <utility>

namespace rz {

// A value shared between the main thread and the worker: read as a copy, written whole.
template <class T> class SharedValue
{
public:
    SharedValue() = default;
    explicit SharedValue(T value) : m_Value(std::move(value)) {}
    SharedValue(const SharedValue&) = delete;
    SharedValue& operator=(const SharedValue&) = delete;

    T Get() const
    {
        std::lock_guard lock(m_Mutex);
        return m_Value;
    }
    void Set(T value)
    {
        std::lock_guard lock(m_Mutex);
        m_Value = std::move(value);
    }

protected:
    mutable std::mutex m_Mutex;
    T m_Value{};
};

class SharedString : public SharedValue<std::string>
{
public:
    using SharedValue::SharedValue;
    bool Empty() const
    {
        std::lock_guard lock(m_Mutex);
        return m_Value.empty();
    }
};

} // namespace rz
