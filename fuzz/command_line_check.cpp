// The quoting of program arguments and the splitting of command lines, which must agree for
// any bytes: a file path from a report reaches the editor through both.
#include "checks.hpp"
#include "input.hpp"

#include "core/system/platform/platform.hpp"
#include "core/system/process.hpp"

#include <utility>
#include <vector>

namespace varscope::fuzz {

namespace {

using Words = std::vector<std::string>;

std::string ShownWords(const Words& words) {
    std::string out = "{";
    for (const std::string& word : words)
        out += (out.size() > 1 ? ", \"" : "\"") + Shown(word) + "\"";
    return out + "}";
}

// The words quoted and joined by runs of blanks chosen by `blanks`.
std::string Joined(const Words& words, std::string_view blanks) {
    std::string line;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) {
            const char choice = blanks.empty() ? 0 : blanks[i % blanks.size()];
            line += choice & 1 ? "\t" : " ";
            if (choice & 2)
                line += "  ";
        }
        line += core::platform::QuoteCommandWord(words[i]);
    }
    return line;
}

Failure SplitsInto(const std::string& line, const Words& words) {
    const Words split = core::platform::SplitCommandLine(line);
    if (split != words)
        return "\"" + Shown(line) + "\" split into " + ShownWords(split) + ", expected " +
               ShownWords(words);
    return std::nullopt;
}

// Lines with the words the C runtime gives for them, one or two for each of its rules; the
// round trips above hold for a splitter that loses a rule that quoting never uses.
const std::pair<std::string, Words> kKnownLines[] = {
    {" a\tb  ", {"a", "b"}},
    {R"("a b" c)", {"a b", "c"}},
    {R"(a"b c"d)", {"ab cd"}},
    {R"("a""b c")", {R"(a"b c)"}}, // "" inside quotes: a quote, and quoting goes on
    {R"("""")", {R"(")"}},
    {R"("" "")", {"", ""}},
    {R"(a\\\"b)", {R"(a\"b)"}},     // 2n+1 backslashes before a quote: n and the quote
    {R"(a\\"b c")", {R"(a\b c)"}},  // 2n: n, and the quote toggles quoting
    {R"(a\b\\c\)", {R"(a\b\\c\)"}}, // backslashes before anything else stay
    {R"("C:\dir\\" x)", {R"(C:\dir\)", "x"}},
};

} // namespace

Failure CheckCommandLine(std::string_view input) {
    for (const auto& [line, words] : kKnownLines) {
        if (auto failure = SplitsInto(line, words))
            return failure;
    }

    Input in(input);
    const char separator = static_cast<char>(in.byte());
    const std::string_view blanks = in.piece(separator);
    Words words;
    while (!in.empty())
        words.emplace_back(in.piece(separator));

    for (const std::string& word : words) {
        if (auto failure = SplitsInto(core::platform::QuoteCommandWord(word), {word}))
            return failure;
    }
    const std::string line = Joined(words, blanks);
    if (auto failure = SplitsInto(line, words))
        return failure;

    // Any line at all splits into words that quote back into the same words.
    const Words split = core::platform::SplitCommandLine(std::string(input));
    if (auto failure = SplitsInto(Joined(split, blanks), split))
        return failure;

    // The editor's line: its path as it is stored, then the file's path quoted.
    if (words.size() >= 2 && !words[0].empty() &&
        words[0].find_first_of(" \t\"") == std::string::npos &&
        words[0].find('\0') == std::string::npos) {
        if (auto failure =
                SplitsInto(core::EditorCommandLine(words[0], words[1]), {words[0], words[1]}))
            return failure;
    }

    // A NUL byte cannot reach a program (its arguments are C strings): such a line is
    // refused, never started cut short.
    if (line.find('\0') != std::string::npos && core::RunProgram(line))
        return "a command line holding a NUL byte was started: \"" + Shown(line) + "\"";
    return std::nullopt;
}

} // namespace varscope::fuzz
