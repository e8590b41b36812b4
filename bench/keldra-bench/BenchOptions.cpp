#include "BenchOptions.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>

namespace keldra::bench {

BenchOptions::BenchOptions(const std::vector<std::string>& arguments,
                           const std::vector<std::string>& allowed) {
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        const std::string& flag = arguments[i];
        if (flag.size() < 3 || flag.compare(0, 2, "--") != 0) {
            throw std::invalid_argument("expected an option, got '" + flag + "'");
        }
        const std::string name = flag.substr(2);
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            throw std::invalid_argument("unknown option --" + name);
        }
        if (i + 1 >= arguments.size()) {
            throw std::invalid_argument("--" + name + " needs a value");
        }
        if (!values_.emplace(name, arguments[i + 1]).second) {
            throw std::invalid_argument("--" + name + " given twice");
        }
    }
}

const std::string& BenchOptions::required(const std::string& name) const {
    const auto found = values_.find(name);
    if (found == values_.end()) {
        throw std::invalid_argument("missing --" + name);
    }
    return found->second;
}

std::optional<std::string> BenchOptions::optional(const std::string& name) const {
    const auto found = values_.find(name);
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<BenchOptions> BenchOptions::parse(const std::string& command,
                                                const std::vector<std::string>& arguments,
                                                const std::vector<std::string>& requiredNames,
                                                const std::vector<std::string>& optionalNames) {
    std::vector<std::string> allowed = requiredNames;
    allowed.insert(allowed.end(), optionalNames.begin(), optionalNames.end());
    try {
        BenchOptions options(arguments, allowed);
        for (const std::string& name : requiredNames) {
            options.required(name);
        }
        return options;
    } catch (const std::invalid_argument& error) {
        std::cerr << "keldra-bench " << command << ": " << error.what() << '\n';
        return std::nullopt;
    }
}

} // namespace keldra::bench
