#include "report/report_time.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace zorvane::report {

namespace {

// The digits of text[at, at + count) as a number; none unless all are digits.
std::optional<int> digitsAt(std::string_view text, std::size_t at, std::size_t count)
{
    int value = 0;
    const char* first = text.data() + at;
    const auto [end, error] = std::from_chars(first, first + count, value);
    if (error != std::errc() || end != first + count || *first == '-' || *first == '+')
        return std::nullopt;
    return value;
}

std::optional<std::chrono::year_month_day> dateAt(std::string_view text)
{
    if (text.size() < 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const auto year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2);
    if (!year || !month || !day)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(*year), std::chrono::month(unsigned(*month)),
                                           std::chrono::day(unsigned(*day))};
    return date.ok() ? std::optional(date) : std::nullopt;
}

std::tm brokenDown(std::chrono::sys_seconds time, Zone zone)
{
    const std::time_t t = time.time_since_epoch().count();
    std::tm parts{};
#ifdef _WIN32
    if (zone == Zone::Utc)
        gmtime_s(&parts, &t);
    else
        localtime_s(&parts, &t);
#else
    if (zone == Zone::Utc)
        gmtime_r(&t, &parts);
    else
        localtime_r(&t, &parts);
#endif
    return parts;
}

// "Europe/Berlin" of ".../zoneinfo/Europe/Berlin", or none.
std::optional<std::string> afterZoneinfo(const std::string& path)
{
    constexpr std::string_view kFolder = "zoneinfo/";
    const auto at = path.rfind(kFolder);
    return at == std::string::npos ? std::nullopt : std::optional(path.substr(at + kFolder.size()));
}

} // namespace

std::optional<std::chrono::sys_seconds> ParseRecordTime(std::string_view text)
{
    constexpr std::size_t kLength = 20;   // YYYY-MM-DDThh:mm:ssZ
    if (text.size() != kLength || text[10] != 'T' || text[13] != ':' || text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const auto date = dateAt(text);
    const auto hour = digitsAt(text, 11, 2), minute = digitsAt(text, 14, 2), second = digitsAt(text, 17, 2);
    if (!date || !hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    return std::chrono::sys_days(*date) + std::chrono::hours(*hour) + std::chrono::minutes(*minute) +
           std::chrono::seconds(*second);
}

std::optional<std::chrono::sys_seconds> DayStart(std::string_view day, Zone zone)
{
    const auto date = day.size() == 10 ? dateAt(day) : std::nullopt;
    if (!date)
        return std::nullopt;
    if (zone == Zone::Utc)
        return std::chrono::sys_days(*date);
    std::tm parts{};
    parts.tm_year = int(date->year()) - 1900;
    parts.tm_mon = int(unsigned(date->month())) - 1;
    parts.tm_mday = int(unsigned(date->day()));
    parts.tm_isdst = -1;   // whatever the zone says for that midnight
    const std::time_t t = std::mktime(&parts);
    if (t == std::time_t(-1))
        return std::nullopt;
    return std::chrono::sys_seconds(std::chrono::seconds(t));
}

LocalMoment LocalMomentOf(std::chrono::sys_seconds time, Zone zone)
{
    const std::tm parts = brokenDown(time, zone);
    char day[32];
    char clock[32];
    std::snprintf(day, sizeof day, "%04d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", parts.tm_hour, parts.tm_min, parts.tm_sec);
    return {day, parts.tm_hour, clock};
}

std::string ZoneName(Zone zone)
{
    if (zone == Zone::Utc)
        return "UTC";
    const std::tm parts = brokenDown(std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()), zone);
    char name[64];
    return std::strftime(name, sizeof name, "%Z", &parts) > 0 ? std::string(name) : std::string("local time");
}

std::optional<std::string> ZoneIdentifier(Zone zone)
{
    if (zone == Zone::Utc)
        return "UTC";
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
        const std::string name = *tz == ':' ? tz + 1 : tz;
        return name.starts_with("/") ? afterZoneinfo(name) : std::optional(name);
    }
    std::error_code error;
    if (const auto link = std::filesystem::read_symlink("/etc/localtime", error); !error)
        if (std::optional<std::string> name = afterZoneinfo(link.string()))
            return name;
    std::ifstream named("/etc/timezone");
    std::string name;
    if (std::getline(named, name) && !name.empty())
        return name;
    return std::nullopt;
}

} // namespace zorvane::report
