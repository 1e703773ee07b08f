// The report's clock: record times read back, and days and hours in the
// machine's time zone (TZ) or in UTC.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zorvane::report {

enum class Zone { Local, Utc };

// "2026-12-07T17:14:02Z" as the records write it; none for anything else.
std::optional<std::chrono::sys_seconds> ParseRecordTime(std::string_view text);

// "2026-12-07" as --since and --until take it: the start of that day in the
// zone; none for anything else.
std::optional<std::chrono::sys_seconds> DayStart(std::string_view day, Zone zone);

struct LocalMoment {
    std::string day;   // "2026-12-07"
    int hour = 0;      // 0 to 23
    std::string time;  // "17:14:02"
};
LocalMoment LocalMomentOf(std::chrono::sys_seconds time, Zone zone);

// "UTC", or the local zone's abbreviation now ("CET").
std::string ZoneName(Zone zone);

// The zone as the tz database names it ("Europe/Berlin"), for a database
// server to place days and hours as this machine does: TZ, else the zone
// /etc/localtime links to, else /etc/timezone. None when none of them says.
std::optional<std::string> ZoneIdentifier(Zone zone);

} // namespace zorvane::report
