#include "cli/Arguments.h"

#include <algorithm>
#include <charconv>

namespace custodia::cli {

namespace {

constexpr const char kEndOfOptions[] = "--";

const OptionRule* FindRule(const ArgumentRules& rules, const std::string& name)
{
    const auto rule = std::find_if(rules.options.begin(), rules.options.end(),
        [&](const OptionRule& candidate) { return candidate.name == name; });
    return rule == rules.options.end() ? nullptr : &*rule;
}

bool LooksLikeOption(const std::string& argument)
{
    return argument.size() > 1 && argument.front() == '-';
}

void CheckExclusive(const ArgumentRules& rules, const ParsedArguments& parsed)
{
    for (const auto& group : rules.exclusive) {
        std::vector<std::string> given;
        std::copy_if(group.begin(), group.end(), std::back_inserter(given),
            [&](const std::string& option) { return parsed.Has(option); });
        if (given.size() > 1)
            throw UsageError(given[0] + " and " + given[1] + " cannot be given together");
    }
}

} // namespace

std::optional<std::string> ParsedArguments::Value(const std::string& option) const
{
    const auto found = m_options.find(option);
    if (found == m_options.end() || found->second.empty())
        return std::nullopt;
    return found->second.back();
}

std::vector<std::string> ParsedArguments::Values(const std::string& option) const
{
    const auto found = m_options.find(option);
    return found == m_options.end() ? std::vector<std::string> {} : found->second;
}

ParsedArguments ParseArguments(const std::vector<std::string>& arguments, const ArgumentRules& rules)
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !LooksLikeOption(argument)) {
            parsed.m_operands.push_back(argument);
            continue;
        }
        if (argument == kEndOfOptions) {
            optionsEnded = true;
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const OptionRule* rule = FindRule(rules, name);
        if (rule == nullptr)
            throw UsageError("unknown option " + name);
        if (!rule->repeatable && parsed.Has(name))
            throw UsageError(name + " given more than once");
        std::string value;
        if (rule->takesValue) {
            if (equals != std::string::npos)
                value = argument.substr(equals + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            else
                throw UsageError(name + " needs a value");
        } else if (equals != std::string::npos) {
            throw UsageError(name + " takes no value");
        }
        parsed.m_options[name].push_back(value);
    }
    if (parsed.m_operands.size() < rules.operands.size())
        throw UsageError("missing " + rules.operands[parsed.m_operands.size()]);
    if (const size_t most = rules.operands.size() + rules.optionalOperands.size(); parsed.m_operands.size() > most)
        throw UsageError("unexpected argument '" + parsed.m_operands[most] + "'");
    CheckExclusive(rules, parsed);
    return parsed;
}

bool AsksForHelp(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments) {
        if (argument == kEndOfOptions)
            return false;
        if (argument == "--help" || argument == "-h")
            return true;
    }
    return false;
}

uint32_t ParseNumber(const std::string& what, const std::string& text, uint32_t minimum, uint32_t maximum)
{
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    const bool digitsOnly
        = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digitsOnly || error != std::errc() || stop != end || value < minimum || value > maximum)
        throw UsageError(what + " must be a whole number from " + std::to_string(minimum) + " to "
            + std::to_string(maximum) + ", not '" + text + "'");
    return value;
}

} // namespace custodia::cli
