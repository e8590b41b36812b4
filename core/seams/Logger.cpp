#include "core/seams/Logger.h"

#include <syslog.h>

#include <string>

namespace keldra {

void SyslogLogger::log(std::string_view message) {
    const std::string line(message);
    ::syslog(LOG_NOTICE, "[Keldra] %s", line.c_str());
}

} // namespace keldra
