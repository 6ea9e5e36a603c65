#pragma once

#include "core/report/report.hpp"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The expression builder's rules: what each button adds, where it goes, which words turn
// red, and the sorted list of defined names.
namespace varscope::core {

// What a button adds to the expression, and the word in it the user must replace (empty
// when there is none).
struct BuilderPiece {
    std::string_view text;
    std::string_view placeholder;
};

namespace piece {
// Directives and operators.
inline constexpr BuilderPiece kIf{"%if ", {}};
inline constexpr BuilderPiece kColon{": ", {}};
inline constexpr BuilderPiece kAnd{"&& ", {}};
inline constexpr BuilderPiece kDefine{"defined ", {}};
inline constexpr BuilderPiece kIfDef{"%ifdef ", {}};
inline constexpr BuilderPiece kElse{"%else ", {}};
inline constexpr BuilderPiece kPlus{"+ ", {}};
inline constexpr BuilderPiece kOr{"|| ", {}};
inline constexpr BuilderPiece kUndefine{"%undef ", {}};
inline constexpr BuilderPiece kIfNotDef{"%ifndef ", {}};
inline constexpr BuilderPiece kElseIf{"%elif ", {}};
inline constexpr BuilderPiece kEquals{"= ", {}};
inline constexpr BuilderPiece kNot{"! ", {}};
inline constexpr BuilderPiece kExists{"exists (filename) ", "filename"};
inline constexpr BuilderPiece kLevel{"%level ", {}};
inline constexpr BuilderPiece kEndIf{"%endif", {}};
inline constexpr BuilderPiece kDollar{"$(variable) ", "variable"};
inline constexpr BuilderPiece kLess{"< ", {}};
inline constexpr BuilderPiece kGreater{"> ", {}};
inline constexpr BuilderPiece kInclude{"%include (fileName) ", "fileName"};
inline constexpr BuilderPiece kError{"%error \"Message\" ", "Message"};
inline constexpr BuilderPiece kBrace{"{variable} ", "variable"};
inline constexpr BuilderPiece kSquare{"(variable) ", "variable"};
inline constexpr BuilderPiece kLock{"%lock (variable) ", "variable"};
// Variable referencing functions.
inline constexpr BuilderPiece kDevice{"dev(fileName) ", "fileName"};
inline constexpr BuilderPiece kDirectory{"dir(fileName) ", "fileName"};
inline constexpr BuilderPiece kDevDir{"devdir(fileName) ", "fileName"};
inline constexpr BuilderPiece kParent{"parent(fileName) ", "fileName"};
inline constexpr BuilderPiece kDevParent{"parentdevdir(fileName) ", "fileName"};
inline constexpr BuilderPiece kBasename{"basename(fileName) ", "fileName"};
inline constexpr BuilderPiece kFilename{"filename(fileName) ", "fileName"};
inline constexpr BuilderPiece kExtension{"ext(fileName) ", "fileName"};
inline constexpr BuilderPiece kFullPath{"noext(fileName) ", "fileName"};
inline constexpr BuilderPiece kFirstPath{"first(variable) ", "variable"};
inline constexpr BuilderPiece kConcat{"concat(expression) ", "expression"};
inline constexpr BuilderPiece kBuild{"build(expression) ", "expression"};
} // namespace piece

// Sorts in byte order, in place, and returns the array: a name that is the beginning of
// another comes first, upper case before lower case as the code page orders them.
std::vector<std::string>& strSort(std::vector<std::string>& arrToSort);

// The names the builder lists: the name of every record, sorted, each name once (exact,
// case-sensitive comparison).
std::vector<std::string> DefinedVariableNames(const std::vector<ConfigVariable>& table);

// Where each occurrence of `placeholder` starts in `text` after `insertionStart`, letter
// case significant. Occurrences may overlap; one starting at the last character is not
// looked for. An empty placeholder has none.
template <typename Char>
std::vector<std::size_t> HighlightPlaceholder(std::basic_string_view<Char> text,
                                              std::size_t insertionStart,
                                              std::basic_string_view<Char> placeholder) {
    std::vector<std::size_t> starts;
    if (placeholder.empty() || text.size() < 2)
        return starts;
    const std::size_t searched = text.size() - 1;
    for (std::size_t at = text.find(placeholder, insertionStart); at < searched;
         at = text.find(placeholder, at + 1))
        starts.push_back(at);
    return starts;
}

// The expression after a button added `piece` to it, and what changed: the characters
// [editStart, editStart + removed) of the old text became [editStart, editStart + added)
// of the new one.
template <typename Char> struct Insertion {
    std::basic_string<Char> text;
    std::size_t caret = 0;
    std::size_t insertionStart = 0; // length of the text before the insertion
    std::size_t editStart = 0;
    std::size_t removed = 0;
    std::size_t added = 0;
    std::vector<std::size_t> highlights; // starts of the placeholders to colour red
};

// With the caret (the selection's start) inside the text, the piece replaces the selection
// and nothing is coloured; with the caret at the end, a blank and the piece are appended
// and the placeholder in them is coloured.
template <typename Char>
Insertion<Char> InsertIntoExpression(std::basic_string_view<Char> text, std::size_t selectionStart,
                                     std::size_t selectionEnd, std::basic_string_view<Char> piece,
                                     std::basic_string_view<Char> placeholder) {
    Insertion<Char> result;
    result.insertionStart = text.size();
    const std::size_t start = std::min(selectionStart, text.size());
    if (start < text.size()) {
        const std::size_t end = std::clamp(selectionEnd, start, text.size());
        result.text.reserve(text.size() - (end - start) + piece.size());
        result.text.append(text.substr(0, start)).append(piece).append(text.substr(end));
        result.editStart = start;
        result.removed = end - start;
        result.added = piece.size();
        result.caret = start + piece.size();
        return result;
    }
    result.text.reserve(text.size() + 1 + piece.size());
    result.text.append(text).append(1, Char(' ')).append(piece);
    result.editStart = text.size();
    result.added = 1 + piece.size();
    result.caret = result.text.size();
    result.highlights = HighlightPlaceholder<Char>(result.text, result.insertionStart, placeholder);
    return result;
}

} // namespace varscope::core
