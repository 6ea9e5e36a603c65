#pragma once

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace varscope::ui {

// Bytes from reports and files, decoded for display: the system code page on Windows;
// elsewhere UTF-8 when valid, else Windows-1252.
QString FromBytes(std::string_view bytes);
// The most of one report text a list, row or tool tip is given: Qt lays out and elides a
// cell's whole text on every paint, and a line megabytes long would stall the window.
inline constexpr std::size_t kShownBytes = 4096;
// Bytes as a list shows them: FromBytes of at most kShownBytes, ending in "…" where cut.
// What the user copies, edits, finds or exports still comes from the whole bytes.
QString ShownText(std::string_view bytes);
// Text typed by the user, back to bytes in the same encoding.
std::string ToBytes(const QString& text);

// Whether FromBytes shows `bytes` decoded as UTF-8 (ASCII included), not as Windows-1252.
// Always true where report text is in the system code page, which is then the one encoding.
bool ShownAsUtf8(std::string_view bytes);
// The bytes a report text holds where FromBytes shows it holding `text`: one form for texts
// shown as UTF-8 (the system code page's where that is the one encoding), one for texts
// shown as Windows-1252, absent when `text` has a character that code page lacks.
struct ShownBytes {
    std::string utf8;
    std::optional<std::string> windows1252;
};
ShownBytes BytesShownAs(const QString& text);

} // namespace varscope::ui
