// Sets the local time zone for the length of a scope, as TZ would for the
// program, and restores the old one after.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

class tz_scope {
public:
    explicit tz_scope(const char *zone)
    {
        const char *old = std::getenv("TZ");
        had_old_ = old != nullptr;
        if (had_old_) {
            old_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~tz_scope()
    {
        if (had_old_) {
            setenv("TZ", old_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    tz_scope(const tz_scope &) = delete;
    tz_scope &operator=(const tz_scope &) = delete;

private:
    bool had_old_ = false;
    std::string old_;
};
