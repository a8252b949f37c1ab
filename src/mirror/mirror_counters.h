// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>

namespace rz {

// m_FilterPagesResult when the service refused the account-wide page list for the account's many
// sections (code 20266).
inline constexpr std::int64_t kFilterPagesTooManySections = -3;

// What the mirror counts for the status window and the tests. The worker thread counts; any thread
// reads at any time.
struct TMirrorCounters
{
    // The cycle's counters, zeroed when a cycle starts (ResetCycle).
    std::atomic<std::int64_t> NotebookTotal{0};
    std::atomic<std::int64_t> NotebookDownloading{0};
    std::atomic<std::int64_t> NewNotebookCount{0};
    std::atomic<std::int64_t> NewSectionGroupCount{0};
    std::atomic<std::int64_t> NewSectionCount{0};
    std::atomic<std::int64_t> NotebooksChanged{0};
    std::atomic<std::int64_t> NotebooksSectionsChanged{0};
    std::atomic<std::int64_t> ChangedNotebookCount{0};
    std::atomic<std::int64_t> ChangedSectionGroupCount{0};
    std::atomic<std::int64_t> ChangedSectionCount{0};
    std::atomic<std::int64_t> GetSectionErrorCount{0};

    // Since the worker was made.
    std::atomic<std::int64_t> GetAllNotebooksSectionsErrorCount{0};
    // Callbacks that threw.
    std::atomic<std::int64_t> CallbackErrorCount{0};
    // Passes a fault ended early (an exception); the next pass runs all the same.
    std::atomic<std::int64_t> PassErrorCount{0};
    // Creates, writes and deletes refused because the path lay outside the account folder, or failed.
    std::atomic<std::int64_t> StoreErrorCount{0};
    // Page-content and engine requests held back for want of a budget slot.
    std::atomic<std::int64_t> HeldBackCount{0};
    // Answers in which the service refused a request for its limits (429 or code 20166).
    std::atomic<std::int64_t> ThrottledCount{0};

    void ResetCycle()
    {
        for (auto* counter :
             {&NotebookTotal, &NotebookDownloading, &NewNotebookCount, &NewSectionGroupCount,
              &NewSectionCount, &NotebooksChanged, &NotebooksSectionsChanged, &ChangedNotebookCount,
              &ChangedSectionGroupCount, &ChangedSectionCount, &GetSectionErrorCount}) {
            *counter = 0;
        }
    }
};

} // namespace rz
