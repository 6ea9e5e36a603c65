#include "text_conversion.hpp"

#include "core/system/platform/platform.hpp"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <iterator>
#include <utility>

namespace varscope::ui {

namespace {

bool IsValidUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return !decoder.hasError();
}

// Windows-1252's characters for the bytes 0x80-0x9F; the others are Latin-1's.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

std::optional<std::string> ToWindows1252(const QString& text) {
    std::string out;
    out.reserve(std::size_t(text.size()));
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
            out.push_back(static_cast<char>(unit));
            continue;
        }
        const char16_t* const end = std::end(kWindows1252High);
        const char16_t* const found = std::find(std::begin(kWindows1252High), end, unit);
        if (found == end)
            return std::nullopt;
        out.push_back(static_cast<char>(0x80 + (found - std::begin(kWindows1252High))));
    }
    return out;
}

} // namespace

QString FromBytes(std::string_view bytes) {
    if (core::platform::TextIsInSystemCodePage()) {
        QStringDecoder decoder(QStringConverter::System);
        return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    }
    if (IsAscii(bytes))
        return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out.append(byte >= 0x80 && byte < 0xA0 ? QChar(kWindows1252High[byte - 0x80])
                                               : QChar(byte));
    }
    return out;
}

QString ShownText(std::string_view bytes) {
    if (bytes.size() <= kShownBytes)
        return FromBytes(bytes);
    std::size_t cut = kShownBytes;
    // Not inside a UTF-8 sequence, or the part would no longer decode as UTF-8.
    for (int back = 0; back < 3 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80; ++back)
        --cut;
    return FromBytes(bytes.substr(0, cut)) + QChar(0x2026);
}

std::string ToBytes(const QString& text) {
    QByteArray bytes;
    if (core::platform::TextIsInSystemCodePage()) {
        QStringEncoder encoder(QStringConverter::System);
        bytes = encoder.encode(text);
    } else {
        bytes = text.toUtf8();
    }
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

bool ShownAsUtf8(std::string_view bytes) {
    return core::platform::TextIsInSystemCodePage() || IsAscii(bytes) || IsValidUtf8(bytes);
}

ShownBytes BytesShownAs(const QString& text) {
    std::string typed = ToBytes(text);
    if (core::platform::TextIsInSystemCodePage())
        return {typed, typed};
    return {std::move(typed), ToWindows1252(text)};
}

} // namespace varscope::ui
