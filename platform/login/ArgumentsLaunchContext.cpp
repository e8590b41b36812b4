#include "platform/login/ArgumentsLaunchContext.h"

#include <algorithm>

namespace keldra {

ArgumentsLaunchContext::ArgumentsLaunchContext(const std::vector<std::string>& arguments) {
    autostart_ = arguments.size() > 1 && std::find(arguments.begin() + 1, arguments.end(),
                                                   std::string(autostartFlag)) != arguments.end();
}

} // namespace keldra
