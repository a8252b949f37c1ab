// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder contract, proven by simulation.
//
// For every reminder the agent has read (page titles and tagged paragraphs, one-off and repeating):
// - each occurrence rings exactly once: at its minute while the agent runs and alarms are not held;
//   otherwise once, marked late, at the first moment it may: always when a pause, do-not-disturb, a
//   sleep or a zone change held it back; when late alarms are on, also when the agent was not running
//   or the page was first seen after its time (never when they are off);
// - of a repeating reminder's missed occurrences only the latest rings late;
// - nothing rings for a page deleted, a title changed, or a to-do ticked before its time;
// - nothing rings twice across restarts, loads, zone changes, clock steps back or forward, pauses;
// - a snoozed reminder comes back once, at its time (or, held, as soon as it may), across restarts,
//   unless its page, title or to-do changed or went after the snooze, or a newer occurrence of a
//   repeating one rang meanwhile; "Done" ends it, and a to-do it ticked never rings again;
// - a title's time is the wall-clock time it names in the desktop's current zone, and a "!!"
//   reminder keeps one time of day across loads, restarts and zone changes.
//
// The property drives the real units (loader, tag reader, reminder list, due check, pending list,
// pause, zone watch, the agent's files) through generated weeks of events on a fake clock, and a small
// oracle written from the contract alone says what must and what must not ring.
#include "alerts/alarm_pause.h"
#include "alerts/due_check.h"
#include "alerts/pending_reminders.h"
#include "engine_test_support.h"
#include "reminders/engine_state.h"
#include "reminders/reminder_handle.h"
#include "reminders/reminder_list.h"
#include "test_support.h"
#include "util/clock.h"
#include "util/dates.h"
#include "util/json.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace rz::contract {
namespace {

// Zones with whole, half and three-quarter hour offsets, and daylight-saving nights in both
// hemispheres during the simulated weeks (Europe on March 29th, Australia on April 5th).
struct Zone
{
    const char* name;
    const char* tz;
};
constexpr std::array<Zone, 8> kZones = {{
    {"UTC", "UTC0"},
    {"Berlin", "CET-1CEST,M3.5.0,M10.5.0/3"},
    {"New York", "EST5EDT,M3.2.0,M11.1.0"},
    {"Kolkata (+5:30)", "IST-5:30"},
    {"Kathmandu (+5:45)", "NPT-5:45"},
    {"Sydney", "AEST-10AEDT,M10.1.0,M4.1.0/3"},
    {"Adelaide (+9:30)", "ACST-9:30ACDT,M10.1.0,M4.1.0/3"},
    {"St. John's (-3:30)", "NST3:30NDT,M3.2.0,M11.1.0"},
}};
constexpr int kPages = 4;

enum class Kind {
    OneOffTitle,  // a page's title becomes a one-off
    DailyTitle,   // "Name !! HH:MM"
    CreatedDaily, // "!!Name": daily at its page's creation time of day
    TagOneOff,    // a "!" page with one tagged to-do due at a time
    TickToDo,     // the page's to-do is ticked
    PlainTitle,   // the title loses its reminder
    DeletePage,   // the page goes
    Load,         // the worker loads the page list
    Run,          // the agent runs, checking every second
    Sleep,        // the computer sleeps
    Restart,      // the agent stops for a while and starts again
    StepClock,    // the clock is set back or forward
    ChangeZone,   // the desktop's zone changes
    Pause,        // the tray's Pause Alarms
    Resume,       // the tray's Resume
    DoNotDisturb, // the notification server's do-not-disturb switches
    LateAlarms,   // the preference switches
    Snooze,       // the first pending reminder is snoozed on its own
    Done,         // the first pending reminder is dismissed; a to-do is ticked as well
};

struct Event
{
    Event() = default;
    Event(Kind k, int p, int x, int y) : kind(k), page(p), a(x), b(y) {}
    Kind kind = Kind::Run;
    int page = 0;
    int a = 0;
    int b = 0;
};

// The snooze one pending reminder gets, and its length.
TOneSnooze SnoozeChoice(int a)
{
    return a % 2 == 0 ? TOneSnooze::FiveMinutes : TOneSnooze::FifteenMinutes;
}

int SnoozeMinutes(int a)
{
    return a % 2 == 0 ? 5 : 15;
}

// Minutes from the current minute at which a generated time lies.
int DueOffset(int a)
{
    return a % 24 - 3;
}

std::string Describe(const Event& e)
{
    const std::string page = "page " + std::to_string(e.page);
    switch (e.kind) {
    case Kind::OneOffTitle:
        return page + ": title becomes a one-off due in " + std::to_string(DueOffset(e.a)) + " min";
    case Kind::DailyTitle:
        return page + ": title becomes a daily reminder due in " + std::to_string(DueOffset(e.a) + 4) +
               " min";
    case Kind::CreatedDaily:
        return page + ": title becomes \"!!…\" (a new page is created a day ago plus " +
               std::to_string(DueOffset(e.a) + 4) + " min)";
    case Kind::TagOneOff:
        return page + ": a \"!\" page with a to-do due in " + std::to_string(DueOffset(e.a)) + " min";
    case Kind::TickToDo:
        return page + ": its to-do is ticked";
    case Kind::PlainTitle:
        return page + ": title loses its reminder";
    case Kind::DeletePage:
        return page + ": deleted";
    case Kind::Load:
        return "full load of the page list";
    case Kind::Run:
        return "run " + std::to_string(e.a % 180 + 1) + " s";
    case Kind::Sleep:
        return "sleep " + std::to_string(e.a % 240 + 2) + " min";
    case Kind::Restart:
        return "quit, start again " + std::to_string(e.a % 300) + " min later";
    case Kind::StepClock:
        return e.a % 2 == 0 ? "clock set back " + std::to_string(e.b % 40 + 2) + " s"
                            : (e.a % 4 == 1 ? "clock set forward " + std::to_string(e.b % 120 + 2) + " min"
                                            : "clock set back " + std::to_string(e.b % 120 + 2) + " min");
    case Kind::ChangeZone:
        return std::string("zone becomes ") + kZones[static_cast<std::size_t>(e.b) % kZones.size()].name;
    case Kind::Pause:
        return e.a % 3 == 0 ? "pause alarms for an hour"
                            : (e.a % 3 == 1 ? "pause alarms until tomorrow" : "pause alarms until resumed");
    case Kind::Resume:
        return "resume alarms";
    case Kind::DoNotDisturb:
        return e.a % 2 == 0 ? "do-not-disturb on" : "do-not-disturb off";
    case Kind::LateAlarms:
        return e.a % 2 == 0 ? "late alarms off" : "late alarms on";
    case Kind::Snooze:
        return "snooze the first pending reminder for " + std::to_string(SnoozeMinutes(e.a)) + " min";
    case Kind::Done:
        return "Done on the first pending reminder";
    }
    return "?";
}

std::string DescribeAll(const std::vector<Event>& events)
{
    std::string text;
    for (std::size_t i = 0; i < events.size(); ++i) {
        text += "  " + std::to_string(i + 1) + ". " + Describe(events[i]) + "\n";
    }
    return text;
}

// The agent as the application runs it, over one data folder: started from its files, loading on the
// worker's behalf, checking once a second unless alarms are held.
class SimAgent
{
public:
    explicit SimAgent(const test::TempDir& dir) : m_Dir(dir) {}

    void Start(bool lateAlarms)
    {
        m_State = std::make_unique<TEngineState>();
        m_State->EngineFiles = {m_Dir.File("RedoZevuviva.json"), m_Dir.File("Reminders.plist"),
                                m_Dir.File("TagPages.plist")};
        TReminderHandle handle(*m_State, nullptr);
        handle.Init();
        m_State->TagPageList.LoadFromFile(m_State->EngineFiles.TagPagesFilePath);
        handle.LoadHierarchyFromFile();
        m_State->ReminderList.LoadFromFile(m_State->EngineFiles.RemindersFilePath);
        m_Pending = std::make_unique<TPendingReminders>(m_State->PendingReminderList,
                                                        m_Dir.File("PendingReminders.plist"), Settings());
        m_Pending->Load();
        m_Pause = std::make_unique<TAlarmPause>(Settings());
        m_PausedAtStart = m_Pause->PausedUntil(DateNow()).has_value();
        m_Check = std::make_unique<TDueCheck>();
        m_LateAlarms = lateAlarms;
        m_State->LateAlarms = lateAlarms;
    }

    void Load(const std::string& pageList, test::FakeOnline& online)
    {
        m_State->ReminderPagesJson.Set(pageList);
        TReminderHandle(*m_State, &online).Run();
    }

    struct Alert
    {
        std::vector<ReminderPtr> Fired; // occurrences that came due
        std::vector<ReminderPtr> Woke;  // snoozed reminders back
        bool Checked = false;           // alarms were not held
    };

    // One tick of the application's timer, as it runs after a check: what rang and what came back.
    Alert Tick()
    {
        m_Check->UseStateFile(m_State->EngineFiles.Beside("DueCheck.json"), m_LateAlarms || m_PausedAtStart);
        if (m_Pause->Holds(DateNow(), m_DoNotDisturb)) {
            std::lock_guard lock(m_State->ListsMutex);
            m_Check->NoteHeld(m_State->ReminderList);
            return {};
        }
        DueCheckResult result;
        {
            std::lock_guard lock(m_State->ListsMutex);
            result = m_Check->CheckAndReminder(m_State->ReminderList, m_State->PendingReminderList,
                                               m_Pending->Snooze());
        }
        for (const auto& [id, occurrence] : result.FiredOccurrences) {
            m_Pending->DropSnoozedBefore(id, occurrence);
        }
        const auto holds = [this](const TAReminder& copy) {
            std::lock_guard lock(m_State->ListsMutex);
            return SnoozedCopyHolds(copy, m_State->ReminderPagesJson.Get(), m_State->ReminderList);
        };
        Alert alert{result.Fired, m_Pending->WakeSnoozed(DateNow(), holds), true};
        if (!alert.Fired.empty() || !alert.Woke.empty()) {
            m_Pending->Save();
        }
        if (!alert.Fired.empty() || !alert.Woke.empty() || result.Dropped) {
            TReminderHandle(*m_State, nullptr).SaveRemindersToFile();
        }
        return alert;
    }

    // The pending window's first row, if any.
    ReminderPtr FirstPending() { return m_State->PendingReminderList.At(0); }
    void SnoozeFirst(TOneSnooze choice) { m_Pending->SnoozeOne(std::size_t{0}, choice); }
    void DismissFirst() { m_Pending->Dismiss(std::size_t{0}); }

    TAlarmPause& Pause() { return *m_Pause; }
    bool PausedAtStart() const { return m_PausedAtStart; }
    void SetDoNotDisturb(bool on) { m_DoNotDisturb = on; }
    void SetLateAlarms(bool on)
    {
        m_LateAlarms = on;
        m_State->LateAlarms = on;
    }

private:
    std::string Settings() const { return m_Dir.File("velaapp.plist"); }

    const test::TempDir& m_Dir;
    std::unique_ptr<TEngineState> m_State;
    std::unique_ptr<TPendingReminders> m_Pending;
    std::unique_ptr<TAlarmPause> m_Pause;
    std::unique_ptr<TDueCheck> m_Check;
    bool m_PausedAtStart = false;
    bool m_DoNotDisturb = false;
    bool m_LateAlarms = true;
};

// What the notes hold now: one title (and at most one tagged to-do) per page slot.
struct Page
{
    bool exists = false;
    std::string id;
    std::string title;
    std::string created = "2026-03-01T09:00:00Z";
    int version = 0;
    int loadedVersion = -1; // the version the agent's last load read
    std::string tagId;
    std::string tagText;
    bool ticked = false;
    std::set<std::string> minutes; // the local minutes its one-offs and dailies named
};

// One occurrence the oracle follows: a one-off, by the text that names it.
struct Occurrence
{
    std::string key; // the title or paragraph text
    LocalFields wall{};
    Date instant{}; // in the zone now
    bool tag = false;
    bool known = false;    // in the agent's last load
    bool cameDue = false;  // known when its time came
    bool seenLate = false; // first read after its time
    Date cameDueAt{};
    bool mustRing = false;
    bool mustNotRing = false;
    bool owed = false; // it had to ring when the clock went back before its time
    int rings = 0;
};

// One reminder snoozed on its own, as the oracle follows it.
struct SnoozeTrack
{
    std::string key; // the reminder's text and occurrence, as shown where it was snoozed
    std::string name;
    std::optional<std::string> id;
    std::optional<Date> time;
    bool repeating = false;
    Date until{};
    std::string pageId;
    int version = -1;        // its page's version the ring was read from
    bool superseded = false; // a newer occurrence of the repeating reminder rang
    bool doneMeanwhile = false;
    int wakes = 0;
};

class Simulation
{
public:
    Simulation()
        : m_Clock(DateFromParts(2026, 3, 27, 9, 0, 0).seconds), m_Agent(std::make_unique<SimAgent>(m_Dir))
    {
    }

    std::string Run(const std::vector<Event>& events)
    {
        m_Agent->Start(m_LateAlarms);
        Ring(m_Agent->Tick());
        for (std::size_t i = 0; i < events.size() && m_Finding.empty(); ++i) {
            m_Step = static_cast<int>(i + 1);
            Apply(events[i]);
        }
        if (m_Finding.empty()) {
            Settle();
        }
        return m_Finding;
    }

private:
    Date Now() const { return DateNow(); }

    void Fail(const std::string& text)
    {
        if (m_Finding.empty()) {
            m_Finding = "after event " + std::to_string(m_Step) + ": " + text;
        }
    }

    static std::string WallText(const LocalFields& f)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", f.year, f.month, f.day, f.hour,
                      f.minute);
        return text;
    }

    // The local wall time `minutes` from the current minute.
    LocalFields WallIn(int minutes) const
    {
        LocalFields now = LocalFieldsOf(Now());
        return LocalFieldsOf(DateFromParts(now.year, now.month, now.day, now.hour, now.minute + minutes, 0));
    }

    // A daily time of day away from the daylight-saving nights' hours.
    static LocalFields AwayFromNight(LocalFields f)
    {
        if (f.hour >= 1 && f.hour <= 3) {
            f.hour = 4;
        }
        return f;
    }

    std::string PageList() const
    {
        std::vector<Json> entries;
        for (const Page& p : m_Pages) {
            if (p.exists) {
                entries.push_back(test::PageEntry(
                    p.id, p.title, "2026-03-01T10:00:" + std::to_string(10 + p.version % 50) + "Z",
                    p.created));
            }
        }
        return test::PageList(entries);
    }

    void Online()
    {
        m_Online.content.clear();
        for (const Page& p : m_Pages) {
            if (p.exists) {
                const std::string body =
                    p.tagId.empty() ? std::string("<p>notes</p>")
                                    : test::Para(p.tagId, p.tagText, p.ticked ? "to-do:completed" : "to-do");
                m_Online.content[p.id] = test::PageHtml(p.title, body);
            }
        }
    }

    Occurrence& Track(const std::string& key, const LocalFields& wall, bool tag)
    {
        Occurrence& o = m_Occurrences[key];
        if (o.key.empty()) {
            o.key = key;
            o.wall = wall;
            o.tag = tag;
            o.instant = DateFromParts(wall.year, wall.month, wall.day, wall.hour, wall.minute, 0);
        }
        return o;
    }

    void NewTitle(Page& page, std::string title)
    {
        if (!page.exists) {
            page.exists = true;
            // Of one length, as the service's are: one never occurs inside another.
            char id[32];
            std::snprintf(id, sizeof id, "1-page-%06d", ++m_Serial);
            page.id = id;
            page.tagId.clear();
        }
        page.title = std::move(title);
        ++page.version;
    }

    void Apply(const Event& e)
    {
        Page& page = m_Pages[static_cast<std::size_t>(e.page) % kPages];
        const std::string serial = std::to_string(++m_Serial);
        switch (e.kind) {
        case Kind::OneOffTitle: {
            // A new text of the page names a minute none of its reminders named before: an occurrence
            // rung at the same minute under the same key stands for it (a gap left open).
            int offset = DueOffset(e.a);
            while (page.exists && page.minutes.count(WallText(WallIn(offset))) != 0) {
                ++offset;
            }
            const LocalFields wall = WallIn(offset);
            page.minutes.insert(WallText(wall));
            const std::string title = "Task" + serial + " !" + WallText(wall);
            m_Wall[title] = wall;
            NewTitle(page, title);
            page.tagId.clear();
            break;
        }
        case Kind::DailyTitle: {
            const LocalFields wall = AwayFromNight(WallIn(DueOffset(e.a) + 4));
            page.minutes.insert(WallText(WallIn(DueOffset(e.a) + 4)));
            char time[8];
            std::snprintf(time, sizeof time, "%02d:%02d", wall.hour, wall.minute);
            NewTitle(page, "Daily" + serial + " !! " + time);
            m_TimeOfDay[page.title] = wall.hour * 60 + wall.minute;
            page.tagId.clear();
            break;
        }
        case Kind::CreatedDaily: {
            const LocalFields wall = AwayFromNight(WallIn(DueOffset(e.a) + 4));
            // A page keeps the creation time it has.
            if (!page.exists) {
                page.minutes.insert(WallText(WallIn(DueOffset(e.a) + 4)));
                page.created = DateToUtcString(DateAddDays(
                    DateFromParts(wall.year, wall.month, wall.day, wall.hour, wall.minute, 0), -1));
            }
            NewTitle(page, "!!Standup" + serial);
            page.tagId.clear();
            break;
        }
        case Kind::TagOneOff: {
            const LocalFields wall = WallIn(DueOffset(e.a));
            NewTitle(page, "!Tasks" + serial);
            page.tagId = "p:{" + serial + "}{1}";
            page.tagText = "Call " + serial + " !" + WallText(wall);
            page.ticked = false;
            m_Wall[page.tagText] = wall;
            break;
        }
        case Kind::TickToDo:
            if (page.exists && !page.tagId.empty()) {
                page.ticked = true;
                ++page.version;
            }
            break;
        case Kind::PlainTitle:
            if (page.exists) {
                NewTitle(page, "Notes" + serial);
                page.tagId.clear();
            }
            break;
        case Kind::DeletePage:
            page = Page{};
            break;
        case Kind::Load:
            Load();
            break;
        case Kind::Run:
            RunFor(e.a % 180 + 1);
            break;
        case Kind::Sleep:
            m_Clock.Advance((e.a % 240 + 2) * 60.0);
            TickOnce();
            break;
        case Kind::Restart:
            Restart(e.a % 300, std::nullopt);
            break;
        case Kind::StepClock:
            m_ClockWentBack = m_ClockWentBack || e.a % 4 != 1;
            if (e.a % 2 == 0) {
                m_Clock.SetWallClock(Now().seconds - (e.b % 40 + 2));
            } else {
                m_Clock.SetWallClock(Now().seconds + (e.a % 4 == 1 ? 1 : -1) * (e.b % 120 + 2) * 60.0);
            }
            ComeDueAgain();
            TickOnce();
            break;
        case Kind::ChangeZone:
            SetZone(e.b);
            TickOnce();
            break;
        case Kind::Pause:
            m_Agent->Pause().Pause(e.a % 3 == 0   ? PauseLength::OneHour
                                   : e.a % 3 == 1 ? PauseLength::UntilTomorrow
                                                  : PauseLength::UntilResumed,
                                   Now());
            break;
        case Kind::Resume:
            m_Agent->Pause().Resume();
            TickOnce();
            break;
        case Kind::DoNotDisturb:
            m_Agent->SetDoNotDisturb(e.a % 2 == 0);
            TickOnce();
            break;
        case Kind::LateAlarms:
            m_LateAlarms = e.a % 2 != 0;
            m_Agent->SetLateAlarms(m_LateAlarms);
            break;
        case Kind::Snooze:
            SnoozeFirst(e.a);
            break;
        case Kind::Done:
            DoneFirst();
            break;
        }
    }

    // A reminder's text and the wall time of its occurrence in the zone now: the pending file keeps
    // wall times, so a copy read back in another zone names the same minute at another instant.
    static std::string OccurrenceKey(const TAReminder& r)
    {
        const std::optional<Date> time = r.time();
        return r.name().value_or("") + " at " +
               (time ? WallText(LocalFieldsOf(*time)) : std::string("no time"));
    }

    // The copy is the snoozed occurrence: the same instant, or the same wall time after a restart.
    static bool SameOccurrence(const SnoozeTrack& t, const TAReminder& r)
    {
        return t.name == r.name().value_or("") && (t.time == r.time() || t.key == OccurrenceKey(r));
    }

    // The snooze a copy that came back stands for: its occurrence's, or else (read back from the
    // pending file in one zone and followed into another, its time names another minute) the
    // earliest of the same reminder.
    SnoozeTrack* SnoozeOf(const TAReminder& r)
    {
        SnoozeTrack* exact = nullptr;
        SnoozeTrack* named = nullptr;
        for (SnoozeTrack& t : m_Snoozes) {
            if (t.wakes != 0 || t.name != r.name().value_or("")) {
                continue;
            }
            if (SameOccurrence(t, r) && (!exact || t.until < exact->until)) {
                exact = &t;
            }
            if (!named || t.until < named->until) {
                named = &t;
            }
        }
        return exact ? exact : named;
    }

    // The page slot holding the page of that id, if it still exists.
    const Page* PageOf(const std::string& pageId) const
    {
        for (const Page& p : m_Pages) {
            if (p.exists && p.id == pageId) {
                return &p;
            }
        }
        return nullptr;
    }

    void SnoozeFirst(int a)
    {
        const ReminderPtr first = m_Agent->FirstPending();
        if (!first) {
            return;
        }
        SnoozeTrack track;
        track.key = OccurrenceKey(*first);
        track.name = first->name().value_or("");
        track.id = first->Id();
        track.time = first->time();
        track.repeating = first->Repeat() != 0;
        track.until = DateAddMinutes(Now(), SnoozeMinutes(a));
        track.pageId = first->pageId().value_or("");
        const auto rang = m_RangFrom.find(track.name);
        track.version = rang == m_RangFrom.end() ? -1 : rang->second;
        m_Snoozes.push_back(track);
        m_Agent->SnoozeFirst(SnoozeChoice(a));
    }

    void DoneFirst()
    {
        const ReminderPtr first = m_Agent->FirstPending();
        if (!first) {
            return;
        }
        for (SnoozeTrack& t : m_Snoozes) {
            if (SameOccurrence(t, *first) && t.wakes == 0) {
                t.doneMeanwhile = true;
            }
        }
        m_Agent->DismissFirst();
        // The outbox's tick reaches the page.
        if (first->objType() == kTagReminder) {
            for (Page& p : m_Pages) {
                if (p.exists && p.id == first->pageId() && !p.tagId.empty() && p.tagText == first->name()) {
                    p.ticked = true;
                    ++p.version;
                }
            }
        }
    }

    // The page changed or went since the agent read the occurrence it rang.
    bool ChangedSinceRing(const SnoozeTrack& t) const
    {
        const Page* page = PageOf(t.pageId);
        return page == nullptr || t.version < 0 || page->version != t.version;
    }

    void Wake(const std::vector<ReminderPtr>& woke)
    {
        const Date now = Now();
        for (const ReminderPtr& r : woke) {
            const std::string key = OccurrenceKey(*r);
            SnoozeTrack* track = SnoozeOf(*r);
            if (!track) {
                const bool wokeBefore =
                    std::any_of(m_Snoozes.begin(), m_Snoozes.end(), [&](const SnoozeTrack& t) {
                        return t.name == r->name().value_or("") && t.wakes > 0;
                    });
                Fail("snoozed \"" + key + "\" came back " +
                     (wokeBefore ? "a second time" : "though never snoozed"));
                continue;
            }
            ++track->wakes;
            if (track->doneMeanwhile) {
                Fail("snoozed \"" + key + "\" came back after Done");
            } else if (now.seconds < track->until.seconds - kDueToleranceSeconds) {
                Fail("snoozed \"" + key + "\" came back before its time, at " + WallText(LocalFieldsOf(now)));
            }
        }
    }

    void SetZone(int index)
    {
        setenv("TZ", kZones[static_cast<std::size_t>(index) % kZones.size()].tz, 1);
        tzset();
        for (auto& [key, o] : m_Occurrences) {
            o.instant = DateFromParts(o.wall.year, o.wall.month, o.wall.day, o.wall.hour, o.wall.minute, 0);
        }
        ComeDueAgain();
    }

    // After a zone change or a clock set back, what came due without ringing may lie ahead again.
    void ComeDueAgain()
    {
        const Date now = Now();
        for (auto& [key, o] : m_Occurrences) {
            if (o.rings != 0 || !o.cameDue || o.instant < now) {
                continue;
            }
            // Its time has not passed now (a load lists a one-off due this very second): one held
            // back rings then, on time.
            if ((!o.seenLate || o.mustRing) && !o.mustNotRing) {
                o.owed = o.owed || o.mustRing;
                o.cameDue = false;
                o.mustRing = false;
                continue;
            }
            // One that went silently (first seen late, or due while the agent was stopped, with late
            // alarms off) rings on time only if a load or a start lists it again, or the clock now
            // reaches its minute: either outcome.
            o.mustNotRing = false;
            o.mustRing = false;
        }
    }

    // The full load, and what the agent knows after it.
    void Load()
    {
        Online();
        m_Agent->Load(PageList(), m_Online);
        const Date now = Now();
        std::set<std::string> known;
        std::set<std::string> pages;
        for (const Page& p : m_Pages) {
            if (!p.exists) {
                continue;
            }
            pages.insert(p.id);
            if (const auto wall = m_Wall.find(p.title); wall != m_Wall.end()) {
                known.insert(p.title);
                FirstSeen(Track(p.title, wall->second, false), now, m_LoadedPages.count(p.id) == 0);
            }
            if (!p.tagId.empty() && !p.ticked) {
                if (const auto wall = m_Wall.find(p.tagText); wall != m_Wall.end()) {
                    known.insert(p.tagText);
                    FirstSeen(Track(p.tagText, wall->second, true), now, false);
                }
            }
        }
        for (auto& [key, o] : m_Occurrences) {
            const bool now_known = known.count(key) != 0;
            if (o.known && !now_known) {
                if (!o.cameDue) {
                    o.mustNotRing = true;
                }
                // Gone after its time but before it rang: either outcome keeps the contract.
                o.mustRing = false;
            }
            o.known = now_known;
        }
        m_KnownDailies.clear();
        for (const Page& p : m_Pages) {
            // A "!!" title's time of day is its page's creation time of day where the agent first reads it.
            if (p.exists && p.title.starts_with("!!") && m_TimeOfDay.count(p.title) == 0) {
                const LocalFields created = LocalFieldsOf(GraphTimeToDate(p.created));
                m_TimeOfDay[p.title] = created.hour * 60 + created.minute;
            }
            if (p.exists && m_TimeOfDay.count(p.title) != 0) {
                m_KnownDailies[p.id] = p.title;
            }
        }
        for (Page& p : m_Pages) {
            p.loadedVersion = p.exists ? p.version : -1;
        }
        m_LoadedPages.insert(pages.begin(), pages.end());
        m_AnyLoad = true;
    }

    // A one-off the agent reads for the first time.
    void FirstSeen(Occurrence& o, Date now, bool newPage)
    {
        if (o.known || o.cameDue || o.mustNotRing || o.rings > 0) {
            return;
        }
        if (!(o.instant < now)) {
            return;
        }
        o.cameDue = true;
        o.cameDueAt = now;
        o.seenLate = true;
        if (!m_LateAlarms) {
            o.mustNotRing = true;
        } else if (newPage && m_AnyLoad && !o.tag && DateAddDays(o.instant, 1) > now) {
            o.mustRing = true;
        }
    }

    // Known one-offs whose time has come while the agent ran (held or not).
    void Due(bool running)
    {
        const Date now = Now();
        for (auto& [key, o] : m_Occurrences) {
            if (o.known && !o.cameDue && !(now < o.instant)) {
                o.cameDue = true;
                o.cameDueAt = now;
                if (running) {
                    o.mustRing = true;
                }
            }
        }
    }

    void TickOnce()
    {
        Due(true);
        Ring(m_Agent->Tick());
    }

    void RunFor(int seconds)
    {
        for (int s = 0; s < seconds && m_Finding.empty(); ++s) {
            m_Clock.Advance(1);
            TickOnce();
        }
    }

    void Restart(int minutesAway, std::optional<int> zone)
    {
        const Date stopped = Now();
        const std::optional<Date> pausedUntil = m_Agent->Pause().PausedUntil(stopped);
        m_Clock.Advance(minutesAway * 60.0);
        bool zoneMoved = false;
        if (zone) {
            SetZone(*zone);
            zoneMoved = true;
        }
        // What came due while the agent was not running rings, late, only with late alarms on.
        const Date now = Now();
        m_Agent.reset();
        m_Agent = std::make_unique<SimAgent>(m_Dir);
        m_Agent->Start(m_LateAlarms);
        for (auto& [key, o] : m_Occurrences) {
            if (o.known && !o.cameDue && !(now < o.instant)) {
                o.cameDue = true;
                o.cameDueAt = now;
                // One whose minute the start itself reaches rings on time.
                // A check rings up to the tolerance early: one due that soon after the stop was the
                // last check's to ring.
                const bool whileStopped = stopped.seconds + kDueToleranceSeconds < o.instant.seconds &&
                                          o.instant.seconds < now.seconds - kDueToleranceSeconds;
                if (m_LateAlarms || !whileStopped) {
                    o.mustRing = true;
                } else if (!zoneMoved && !m_Agent->PausedAtStart() &&
                           !(pausedUntil && !(*pausedUntil < o.instant)) && !o.owed) {
                    // (A pause that lasted past its minute held it back as well, and one that had to
                    // ring before the clock went back may still: either outcome.)
                    o.mustNotRing = true;
                }
            }
        }
        Ring(m_Agent->Tick());
    }

    void Ring(const SimAgent::Alert& alert)
    {
        RingFired(alert.Fired);
        Wake(alert.Woke);
        if (!alert.Checked) {
            return;
        }
        // A check with alarms free brings back every snooze whose time has come.
        const Date now = Now();
        for (const SnoozeTrack& t : m_Snoozes) {
            if (t.wakes == 0 && !t.superseded && !t.doneMeanwhile && !ChangedSinceRing(t) && t.until < now) {
                Fail("snoozed \"" + t.key + "\" did not come back at its time, " +
                     WallText(LocalFieldsOf(t.until)) + " (local)");
            }
        }
    }

    void RingFired(const std::vector<ReminderPtr>& fired)
    {
        const Date now = Now();
        for (const ReminderPtr& r : fired) {
            const Page* page = PageOf(r->pageId().value_or(""));
            m_RangFrom[r->name().value_or("")] = page ? page->loadedVersion : -1;
            if (r->Repeat() != 0) {
                const std::optional<Date> time = r->time();
                for (SnoozeTrack& t : m_Snoozes) {
                    if (t.repeating && t.wakes == 0 && t.id == r->Id() && t.time && time && *t.time < *time) {
                        t.superseded = true;
                    }
                }
            }
            const std::string name = r->name().value_or("");
            if (r->Repeat() != 0) {
                RingDaily(*r, name, now);
                continue;
            }
            const auto it = m_Occurrences.find(name);
            if (it == m_Occurrences.end()) {
                Fail("\"" + name + "\" rang, though the agent never read it");
                continue;
            }
            Occurrence& o = it->second;
            ++o.rings;
            if (o.rings > 1) {
                Fail("\"" + name + "\" rang a second time");
            } else if (o.mustNotRing) {
                Fail("\"" + name + "\" rang, though it must not (gone before its time, or late alarms off)");
            } else if (!o.known && !o.cameDue) {
                Fail("\"" + name + "\" rang, though its page changed before its time");
            } else if (now.seconds < o.instant.seconds - kDueToleranceSeconds) {
                Fail("\"" + name + "\" rang before its time, at " + WallText(LocalFieldsOf(now)));
            } else if (now.seconds - o.instant.seconds > 60 && !r->late()) {
                Fail("\"" + name + "\" rang after its minute without being marked late");
            }
        }
    }

    void RingDaily(const TAReminder& r, const std::string& name, Date now)
    {
        const std::optional<Date> time = r.time();
        const std::string id = r.Id().value_or("");
        const LocalFields at = LocalFieldsOf(time.value_or(now));
        // A daily reminder's occurrence is its calendar day where it rings: after a flight west the
        // day's time of day comes round again, and must not ring again.
        const std::string occurrence = name + " on " + WallText(at).substr(0, 10);
        // After the clock went back the list forgets what rang later than the clock now shows (it may
        // have run ahead), so a repeating reminder may ring an occurrence again: not checked then.
        if (!m_DailyRings.insert(occurrence).second && !m_ClockWentBack) {
            Fail("\"" + name + "\" rang twice for its occurrence of " + WallText(at));
            return;
        }
        const auto known = m_KnownDailies.find(id);
        if (known == m_KnownDailies.end() || known->second != name) {
            Fail("\"" + name + "\" rang, though its page no longer names it");
            return;
        }
        const int meant = m_TimeOfDay[name];
        if (at.hour * 60 + at.minute != meant) {
            char text[64];
            std::snprintf(text, sizeof text, "%02d:%02d instead of %02d:%02d", at.hour, at.minute, meant / 60,
                          meant % 60);
            Fail("\"" + name + "\" rang at " + text);
        }
        if (time && now.seconds < time->seconds - kDueToleranceSeconds) {
            Fail("\"" + name + "\" rang before its time");
        }
    }

    // Alarms free, a last load and two minutes of running (longer while a snooze waits): whatever
    // must ring or come back has.
    void Settle()
    {
        m_Step = 0;
        m_Agent->Pause().Resume();
        m_Agent->SetDoNotDisturb(false);
        TickOnce();
        Load();
        RunFor(120);
        // Long enough for every snooze to come back.
        for (const SnoozeTrack& t : m_Snoozes) {
            if (t.wakes == 0) {
                RunFor(static_cast<int>(t.until.seconds + 40 - Now().seconds));
            }
        }
        const Date settled = Now();
        for (const auto& [key, o] : m_Occurrences) {
            if (o.mustRing && o.rings == 0 && o.cameDueAt.seconds < settled.seconds - 30) {
                m_Finding = "\"" + key + "\" never rang, though the agent read it and it came due at " +
                            WallText(LocalFieldsOf(o.cameDueAt)) + " (local)";
                return;
            }
        }
        for (const SnoozeTrack& t : m_Snoozes) {
            if (t.wakes == 0 && !t.superseded && !t.doneMeanwhile && !ChangedSinceRing(t) &&
                t.until.seconds < settled.seconds - 30) {
                m_Finding = "snoozed \"" + t.key + "\" never came back, though it was due at " +
                            WallText(LocalFieldsOf(t.until)) + " (local)";
                return;
            }
        }
    }

    test::ScopedTimeZone m_Zone{kZones[1].tz};
    // The agent's files in memory where the system offers it: thousands of atomic writes a case.
    test::ScopedEnv m_TempFolder{"TMPDIR", std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp"};
    test::TempDir m_Dir;
    ScopedFakeClock m_Clock;
    std::unique_ptr<SimAgent> m_Agent;
    test::FakeOnline m_Online;
    std::array<Page, kPages> m_Pages;
    std::map<std::string, LocalFields> m_Wall; // one-off text → the wall time it names
    std::map<std::string, int> m_TimeOfDay;    // daily title → its minute of the day
    std::map<std::string, Occurrence> m_Occurrences;
    std::map<std::string, std::string> m_KnownDailies; // page id → daily title the agent read
    std::set<std::string> m_DailyRings;
    std::set<std::string> m_LoadedPages;
    std::map<std::string, int> m_RangFrom; // reminder text → the page version it last rang from
    std::vector<SnoozeTrack> m_Snoozes;
    bool m_AnyLoad = false;
    bool m_ClockWentBack = false;
    bool m_LateAlarms = true;
    int m_Serial = 0;
    int m_Step = 0;
    std::string m_Finding;
};

rc::Gen<Event> EventGen()
{
    const auto kind = rc::gen::weightedElement<Kind>({
        {6, Kind::OneOffTitle}, {3, Kind::DailyTitle}, {2, Kind::CreatedDaily}, {3, Kind::TagOneOff},
        {1, Kind::TickToDo},    {1, Kind::PlainTitle}, {1, Kind::DeletePage},   {8, Kind::Load},
        {10, Kind::Run},        {2, Kind::Sleep},      {3, Kind::Restart},      {2, Kind::StepClock},
        {2, Kind::ChangeZone},  {2, Kind::Pause},      {2, Kind::Resume},       {2, Kind::DoNotDisturb},
        {1, Kind::LateAlarms},  {2, Kind::Snooze},     {2, Kind::Done},
    });
    return rc::gen::construct<Event>(kind, rc::gen::inRange(0, kPages), rc::gen::inRange(0, 1000),
                                     rc::gen::inRange(0, 1000));
}

// RapidCheck shows a generated case by its events' meaning.
[[maybe_unused]] std::ostream& operator<<(std::ostream& os, const Event& event)
{
    return os << "\"" << Describe(event) << "\"";
}

RC_GTEST_PROP(ReminderContract, EveryReminderRingsOnce, ())
{
    const auto events = *rc::gen::resize(40, rc::gen::container<std::vector<Event>>(EventGen()));
    Simulation simulation;
    const std::string finding = simulation.Run(events);
    if (!finding.empty()) {
        RC_FAIL(finding + "\nevents:\n" + DescribeAll(events));
    }
}

} // namespace
} // namespace rz::contract
