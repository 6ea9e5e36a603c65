#include "options.hpp"

#include <getopt.h>

#include <algorithm>
#include <numeric>

namespace varscope::cli {

namespace {

// getopt_long's value for a long option without a short form: past every character.
constexpr int kLongOnly = 256;

std::string Dashed(const OptionSpec& option) {
    return "--" + std::string(option.name);
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

const OptionSpec* ByValue(int value, std::span<const OptionSpec> table) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        const OptionSpec& option = table[i];
        if ((option.shortName != 0 && value == option.shortName) ||
            value == kLongOnly + static_cast<int>(i))
            return &option;
    }
    return nullptr;
}

// How an option the table lacks was written: a long one whole, up to any "=".
std::string Typed(int optionCharacter, const char* word) {
    if (optionCharacter != 0)
        return std::string("-") + static_cast<char>(optionCharacter);
    const std::string_view text = word != nullptr ? word : "";
    return std::string(text.substr(0, text.find('=')));
}

std::string UnknownMessage(const std::string& typed, std::span<const OptionSpec> table) {
    if (typed.rfind("--", 0) == 0) {
        std::vector<std::string> starting;
        for (const OptionSpec& option : table) {
            if (option.name.rfind(std::string_view(typed).substr(2), 0) == 0)
                starting.push_back(Dashed(option));
        }
        if (starting.size() > 1) {
            std::string message = "option '" + typed + "' is ambiguous; it may be";
            for (std::size_t i = 0; i < starting.size(); ++i)
                message += (i == 0 ? " " : i + 1 == starting.size() ? " or " : ", ") + starting[i];
            return message;
        }
    }
    return "unknown option '" + typed + "'; the nearest known one is " +
           NearestOption(typed, table);
}

} // namespace

bool ParsedOptions::has(std::string_view name) const {
    return std::any_of(options.begin(), options.end(),
                       [name](const Given& given) { return given.name == name; });
}

std::optional<std::string> ParsedOptions::value(std::string_view name) const {
    for (auto given = options.rbegin(); given != options.rend(); ++given) {
        if (given->name == name)
            return given->value;
    }
    return std::nullopt;
}

std::string NearestOption(std::string_view typed, std::span<const OptionSpec> table) {
    std::string nearest;
    std::size_t best = std::string::npos;
    for (const OptionSpec& option : table) {
        std::vector<std::string> forms = {Dashed(option)};
        if (option.shortName != 0)
            forms.push_back(std::string("-") + option.shortName);
        for (const std::string& form : forms) {
            const std::size_t distance = EditDistance(typed, form);
            if (distance < best) {
                best = distance;
                nearest = Dashed(option);
                if (option.shortName != 0)
                    nearest = std::string("-") + option.shortName + ", " + nearest;
            }
        }
    }
    return nearest;
}

ParsedOptions ParseOptions(int argc, char** argv, std::span<const OptionSpec> table) {
    // ':' first: a missing value is told apart from an unknown option.
    std::string shortOptions = ":";
    std::vector<option> longOptions;
    std::vector<std::string> names; // getopt wants them ended by NUL
    names.reserve(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const OptionSpec& spec = table[i];
        if (spec.shortName != 0) {
            shortOptions += spec.shortName;
            if (spec.takesValue)
                shortOptions += ':';
        }
        names.emplace_back(spec.name);
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        const OptionSpec& spec = table[i];
        longOptions.push_back(
            {names[i].c_str(), spec.takesValue ? required_argument : no_argument, nullptr,
             spec.shortName != 0 ? spec.shortName : kLongOnly + static_cast<int>(i)});
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    ParsedOptions parsed;
    const auto fail = [&parsed](std::string message) {
        if (parsed.error.empty())
            parsed.error = std::move(message);
    };
    // getopt keeps its place in globals of the C library: 0 starts it afresh, both in glibc
    // and in mingw-w64's, and its own messages stay off in favour of ours.
    optind = 0;
    opterr = 0;
    for (;;) {
        const int found =
            getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(), nullptr);
        if (found == -1)
            break;
        if (found == '?' && ByValue(optopt, table) != nullptr) {
            fail(Dashed(*ByValue(optopt, table)) + " takes no value");
        } else if (found == '?') {
            fail(UnknownMessage(Typed(optopt, optopt == 0 ? argv[optind - 1] : nullptr), table));
        } else if (found == ':') {
            // mingw-w64's getopt_long also says ':' for a value given to a flag.
            const OptionSpec* option = ByValue(optopt, table);
            if (option != nullptr && !option->takesValue)
                fail(Dashed(*option) + " takes no value");
            else
                fail((option != nullptr ? Dashed(*option) : Typed(optopt, nullptr)) +
                     " needs a value");
        } else if (const OptionSpec* option = ByValue(found, table)) {
            parsed.options.push_back({option->name, option->takesValue && optarg != nullptr
                                                        ? std::string(optarg)
                                                        : std::string()});
        }
    }
    for (int i = optind; i < argc; ++i)
        parsed.operands.emplace_back(argv[i]);
    return parsed;
}

} // namespace varscope::cli
