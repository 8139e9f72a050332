#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace custodia::cli {

// The arguments are wrong: the message goes to stderr with the usage line, and the exit status is 2.
class UsageError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OptionRule {
    std::string name; // with its leading "--"
    bool takesValue = false;
    bool repeatable = false;
};

struct ArgumentRules {
    std::vector<std::string> operands; // names of the positional arguments, all required
    std::vector<OptionRule> options;
    std::vector<std::vector<std::string>> exclusive; // groups of options of which at most one may be given
    std::vector<std::string> optionalOperands {}; // positional arguments that may follow the required ones
};

// Operands in order and options by name. "--name value" and "--name=value" are the same; after "--"
// every argument is an operand, so names that begin with a dash can be given.
class ParsedArguments {
public:
    const std::string& Operand(size_t index) const { return m_operands.at(index); }
    size_t OperandCount() const { return m_operands.size(); }
    bool Has(const std::string& option) const { return m_options.count(option) != 0; }
    std::optional<std::string> Value(const std::string& option) const;
    std::vector<std::string> Values(const std::string& option) const;

private:
    friend ParsedArguments ParseArguments(const std::vector<std::string>&, const ArgumentRules&);
    std::vector<std::string> m_operands;
    std::map<std::string, std::vector<std::string>> m_options;
};

ParsedArguments ParseArguments(const std::vector<std::string>& arguments, const ArgumentRules& rules);

// Whether the arguments ask for help ("--help" or "-h" before any "--").
bool AsksForHelp(const std::vector<std::string>& arguments);

// A whole decimal number in [minimum, maximum]; anything else is a usage error naming what was meant.
uint32_t ParseNumber(const std::string& what, const std::string& text, uint32_t minimum, uint32_t maximum);

} // namespace custodia::cli
