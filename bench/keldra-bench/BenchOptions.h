#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace keldra::bench {

// "--name value" pairs of one subcommand. Unknown or repeated names and a name without a value are errors.
class BenchOptions {
public:
    // Throws std::invalid_argument with a line for the user.
    BenchOptions(const std::vector<std::string>& arguments, const std::vector<std::string>& allowed);

    // Throws std::invalid_argument when the option is missing.
    const std::string& required(const std::string& name) const;
    std::optional<std::string> optional(const std::string& name) const;

    // Parses the options of `command`: the required names must all be given, the optional ones may be.
    // On an error prints "keldra-bench <command>: <why>" to standard error and gives no value.
    static std::optional<BenchOptions> parse(const std::string& command,
                                             const std::vector<std::string>& arguments,
                                             const std::vector<std::string>& requiredNames,
                                             const std::vector<std::string>& optionalNames);

private:
    std::map<std::string, std::string> values_;
};

} // namespace keldra::bench
