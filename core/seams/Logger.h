#pragma once

#include <string_view>

namespace keldra {

// Diagnostics for the system log. Every line carries the prefix "[Keldra] ".
class Logger {
public:
    virtual ~Logger() = default;
    // The message without the prefix.
    virtual void log(std::string_view message) = 0;
};

class SyslogLogger final : public Logger {
public:
    void log(std::string_view message) override;
};

// For code paths that have nowhere to report.
class NullLogger final : public Logger {
public:
    void log(std::string_view) override {}
};

} // namespace keldra
