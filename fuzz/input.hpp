// Reading a fuzzer's bytes as choices and texts. What runs out reads as zero or empty, so
// every input is a valid one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varscope::fuzz {

class Input {
public:
    explicit Input(std::string_view bytes) : m_rest(bytes) {}

    bool empty() const { return m_rest.empty(); }
    std::string_view rest() const { return m_rest; }

    std::uint8_t byte() {
        if (m_rest.empty())
            return 0;
        const auto value = static_cast<std::uint8_t>(m_rest.front());
        m_rest.remove_prefix(1);
        return value;
    }
    // A number in [0, bound), bound > 0.
    std::size_t below(std::size_t bound) {
        const std::size_t value = static_cast<std::size_t>(byte()) << 8 | byte();
        return value % bound;
    }
    // The bytes up to the next `separator` (dropped), or all that is left.
    std::string_view piece(char separator) {
        const std::size_t at = m_rest.find(separator);
        const std::string_view found = m_rest.substr(0, at);
        m_rest.remove_prefix(at == std::string_view::npos ? m_rest.size() : at + 1);
        return found;
    }

private:
    std::string_view m_rest;
};

// Control characters and bytes above 127 as escapes, so a failure message reads clearly.
inline std::string Shown(std::string_view text) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 32 || code > 126 || c == '\\') {
            out += "\\x";
            out += kHex[code >> 4];
            out += kHex[code & 15];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace varscope::fuzz
