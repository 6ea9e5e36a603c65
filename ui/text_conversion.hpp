#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace varscope::ui {

// Bytes from reports and files, decoded for display: the system code page on Windows;
// elsewhere UTF-8 when valid, else Windows-1252.
QString FromBytes(std::string_view bytes);
// Text typed by the user, back to bytes in the same encoding.
std::string ToBytes(const QString& text);

} // namespace varscope::ui
