// SPDX-License-Identifier: GPL-3.0-or-later
#include "time_templates.h"

#include <cctype>
#include <cstdio>

namespace emu {
namespace {

enum class Form { DateTime, Seconds, Date, Time, WeekDay, Graph };

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) {
        s.remove_suffix(1);
    }
    return s;
}

bool ReadNumber(std::string_view& s, long& out)
{
    size_t n = 0;
    long v = 0;
    while (n < s.size() && n < 9 && std::isdigit(static_cast<unsigned char>(s[n]))) {
        v = v * 10 + (s[n] - '0');
        ++n;
    }
    if (n == 0) {
        return false;
    }
    s.remove_prefix(n);
    out = v;
    return true;
}

// Moves a local time by whole days, keeping the wall-clock time across DST changes.
std::time_t AddDays(std::time_t t, long days)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    tm.tm_mday += static_cast<int>(days);
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::time_t StartOfDay(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// Reads "base[+-N unit]...[ HH:mm[:ss]]" into an instant.
std::optional<std::time_t> ReadInstant(std::string_view s, std::time_t now, std::string& error)
{
    std::string_view all = s;
    std::time_t t = 0;
    bool dayBase = true;
    if (s.starts_with("now")) {
        t = now;
        dayBase = false;
        s.remove_prefix(3);
    } else if (s.starts_with("today")) {
        t = StartOfDay(now);
        s.remove_prefix(5);
    } else if (s.starts_with("tomorrow")) {
        t = AddDays(StartOfDay(now), 1);
        s.remove_prefix(8);
    } else if (s.starts_with("yesterday")) {
        t = AddDays(StartOfDay(now), -1);
        s.remove_prefix(9);
    } else {
        error = "unknown time base in \"" + std::string(all) + "\" (now, today, tomorrow, yesterday)";
        return std::nullopt;
    }
    while (true) {
        const std::string_view rest = Trim(s);
        if (rest.empty() || (rest.front() != '+' && rest.front() != '-')) {
            break;
        }
        const long sign = rest.front() == '-' ? -1 : 1;
        s = Trim(rest.substr(1));
        long n = 0;
        if (!ReadNumber(s, n) || s.empty()) {
            error = "bad offset in \"" + std::string(all) + "\"";
            return std::nullopt;
        }
        const char unit = s.front();
        s.remove_prefix(1);
        switch (unit) {
        case 's':
            t += sign * n;
            break;
        case 'm':
            t += sign * n * 60;
            break;
        case 'h':
            t += sign * n * 3600;
            break;
        case 'd':
            t = AddDays(t, sign * n);
            break;
        case 'w':
            t = AddDays(t, sign * n * 7);
            break;
        default:
            error = "bad offset unit in \"" + std::string(all) + "\" (s, m, h, d, w)";
            return std::nullopt;
        }
    }
    s = Trim(s);
    if (!s.empty()) {
        // A time of day replaces the clock time of a day-based instant.
        long h = 0, m = 0, sec = 0;
        bool ok = ReadNumber(s, h) && !s.empty() && s.front() == ':';
        if (ok) {
            s.remove_prefix(1);
            ok = ReadNumber(s, m);
        }
        if (ok && !s.empty() && s.front() == ':') {
            s.remove_prefix(1);
            ok = ReadNumber(s, sec);
        }
        if (!ok || !s.empty() || h > 23 || m > 59 || sec > 59 || !dayBase) {
            error =
                "bad time of day in \"" + std::string(all) + "\" (HH:mm after today, tomorrow or yesterday)";
            return std::nullopt;
        }
        std::tm tm{};
        localtime_r(&t, &tm);
        tm.tm_hour = static_cast<int>(h);
        tm.tm_min = static_cast<int>(m);
        tm.tm_sec = static_cast<int>(sec);
        tm.tm_isdst = -1;
        t = std::mktime(&tm);
    }
    return t;
}

std::string Format(std::time_t t, Form form)
{
    std::tm tm{};
    if (form == Form::Graph) {
        gmtime_r(&t, &tm);
    } else {
        localtime_r(&t, &tm);
    }
    if (form == Form::WeekDay) {
        return std::to_string(tm.tm_wday == 0 ? 7 : tm.tm_wday);
    }
    const char* pattern = form == Form::Seconds ? "%Y-%m-%d %H:%M:%S"
                          : form == Form::Date  ? "%Y-%m-%d"
                          : form == Form::Time  ? "%H:%M"
                          : form == Form::Graph ? "%Y-%m-%dT%H:%M:%SZ"
                                                : "%Y-%m-%d %H:%M";
    char buf[64];
    std::strftime(buf, sizeof buf, pattern, &tm);
    return buf;
}

std::optional<std::string> ExpandOne(std::string_view inner, std::time_t now, std::string& error)
{
    inner = Trim(inner);
    Form form = Form::DateTime;
    static constexpr std::pair<std::string_view, Form> kForms[] = {
        {"seconds:", Form::Seconds}, {"date:", Form::Date},   {"time:", Form::Time},
        {"weekday:", Form::WeekDay}, {"graph:", Form::Graph},
    };
    for (const auto& [prefix, f] : kForms) {
        if (inner.starts_with(prefix)) {
            form = f;
            inner = Trim(inner.substr(prefix.size()));
            break;
        }
    }
    const auto t = ReadInstant(inner, now, error);
    if (!t) {
        return std::nullopt;
    }
    return Format(*t, form);
}

} // namespace

std::optional<std::string> ExpandTemplates(std::string_view text, std::time_t now, std::string& error)
{
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (true) {
        const size_t open = text.find("{{", pos);
        if (open == std::string_view::npos) {
            out.append(text.substr(pos));
            return out;
        }
        const size_t close = text.find("}}", open + 2);
        if (close == std::string_view::npos) {
            error = "unterminated template in \"" + std::string(text) + "\"";
            return std::nullopt;
        }
        out.append(text.substr(pos, open - pos));
        const auto value = ExpandOne(text.substr(open + 2, close - open - 2), now, error);
        if (!value) {
            return std::nullopt;
        }
        out.append(*value);
        pos = close + 2;
    }
}

std::optional<std::time_t> ReadFixtureTime(std::string_view text, std::time_t now, std::string& error)
{
    const std::string_view trimmed = Trim(text);
    if (trimmed.starts_with("{{") && trimmed.ends_with("}}")) {
        std::string_view inner = Trim(trimmed.substr(2, trimmed.size() - 4));
        if (inner.starts_with("graph:")) {
            inner = Trim(inner.substr(6));
        }
        return ReadInstant(inner, now, error);
    }
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    const std::string copy(trimmed);
    const int n = std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail);
    if (n < 6 || y < 1970 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60 ||
        (n == 7 && tail != 'Z' && tail != '.')) {
        error = "bad time \"" + copy + "\" (yyyy-MM-ddTHH:mm:ssZ or a {{...}} template)";
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return timegm(&tm);
}

std::string GraphTime(std::time_t t)
{
    return Format(t, Form::Graph);
}

} // namespace emu
