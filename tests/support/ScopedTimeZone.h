#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace TestSupport {

/// Sets TZ while it lives. mktime reads dates as local time; tests pin the zone so that they
/// give the same seconds on every machine. Zones are POSIX rules ("MSK-3"), so no zone
/// database is needed.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            m_saved = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;
    ~ScopedTimeZone() {
        if (m_saved)
            ::setenv("TZ", m_saved->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_saved;
};

} // namespace TestSupport
