// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace rz {

// m_FilterPagesResult when the service refused the account-wide page list for the account's many
// sections (code 20266).
inline constexpr std::int64_t kFilterPagesTooManySections = -3;

// What the mirror counts for the status window and the tests, one field per count. `Count` is an
// atomic in the worker and a plain number in a reading of it, so the two always hold the same names.
template <typename Count> struct TMirrorCountFields
{
    // The cycle's counters, zeroed when a cycle starts (TMirrorCounters::ResetCycle).
    Count NotebookTotal{0};
    Count NotebookDownloading{0};
    Count NewNotebookCount{0};
    Count NewSectionGroupCount{0};
    Count NewSectionCount{0};
    Count NotebooksChanged{0};
    Count NotebooksSectionsChanged{0};
    Count ChangedNotebookCount{0};
    Count ChangedSectionGroupCount{0};
    Count ChangedSectionCount{0};
    Count GetSectionErrorCount{0};

    // Since the worker was made.
    Count GetAllNotebooksSectionsErrorCount{0};
    // Callbacks that threw.
    Count CallbackErrorCount{0};
    // Passes a fault ended early (an exception); the next pass runs all the same.
    Count PassErrorCount{0};
    // Creates, writes and deletes refused because the path lay outside the account folder, or failed.
    Count StoreErrorCount{0};
    // Page-content and engine requests held back for want of a budget slot.
    Count HeldBackCount{0};
    // Answers in which the service refused a request for its limits or its load, to be repeated
    // later (IsTemporaryRefusal: 429, code 20166, or a code that asks to try again).
    Count ThrottledCount{0};

    // Every field, for copying them name by name.
    static constexpr auto All()
    {
        using T = TMirrorCountFields;
        return std::array{&T::NotebookTotal,
                          &T::NotebookDownloading,
                          &T::NewNotebookCount,
                          &T::NewSectionGroupCount,
                          &T::NewSectionCount,
                          &T::NotebooksChanged,
                          &T::NotebooksSectionsChanged,
                          &T::ChangedNotebookCount,
                          &T::ChangedSectionGroupCount,
                          &T::ChangedSectionCount,
                          &T::GetSectionErrorCount,
                          &T::GetAllNotebooksSectionsErrorCount,
                          &T::CallbackErrorCount,
                          &T::PassErrorCount,
                          &T::StoreErrorCount,
                          &T::HeldBackCount,
                          &T::ThrottledCount};
    }
    // The cycle's fields, the first of All().
    static constexpr std::size_t kCycleFields = 11;
};

// One reading of the mirror's counters.
using TMirrorCounts = TMirrorCountFields<std::int64_t>;

// A field added to the counts but not to All() would be left out of every reading.
static_assert(sizeof(TMirrorCounts) == TMirrorCounts::All().size() * sizeof(std::int64_t));

// The mirror's live counters: the worker thread counts; any thread reads at any time.
struct TMirrorCounters : TMirrorCountFields<std::atomic<std::int64_t>>
{
    // Zeroes the cycle's counters; the others keep counting.
    void ResetCycle()
    {
        const auto fields = All();
        for (std::size_t i = 0; i < kCycleFields; ++i) {
            (this->*fields[i]) = 0;
        }
    }

    // Each counter read once into the field of the same name; a reading may mix two moments of a
    // running cycle.
    TMirrorCounts Read() const
    {
        TMirrorCounts counts;
        const auto from = All();
        const auto to = TMirrorCounts::All();
        for (std::size_t i = 0; i < from.size(); ++i) {
            counts.*to[i] = (this->*from[i]).load(std::memory_order_relaxed);
        }
        return counts;
    }
};

} // namespace rz
