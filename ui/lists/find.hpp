#pragma once

#include <QString>

#include <cstddef>
#include <optional>
#include <string_view>

class QAbstractItemModel;

namespace varscope::ui {

struct Context;
class VariableListView;

// The first row, in the order `shown` lists them, whose name (column 0) begins with
// `prefix`, ignoring letter case.
std::optional<int> FindFirstRowByPrefix(const QAbstractItemModel& shown, const QString& prefix);

// The first row whose name begins with `prefix` (ignoring letter case), looking from `from`
// to the last row and then on from the first: `from` itself is looked at last.
std::optional<int> FindNextRowByPrefix(const QAbstractItemModel& shown, const QString& prefix,
                                       int from);

// What Find Next goes on from: the beginning Find searched for last, and the record where
// the present round of matches began (a round ends when Find Next comes back to it).
struct FindRound {
    QString prefix;
    std::size_t startRecord = 0; // the record's 1-based index; 0 before the first match
    bool ended = false;          // "No more matches" was said at the start record
};

// "&Find . . .": asks for the beginning of a name and selects the first variable shown that
// has it; a new round of Find Next begins there. Returns true when a row was selected.
bool FindVariable(Context& context, VariableListView& allVariables, FindRound& round);

// F3: the next row shown after the selected one whose name begins with the round's text,
// wrapping at the end. False, selecting nothing, when it would come back to where the round
// began (the next press goes on from there) or nothing matches.
bool FindNextVariable(VariableListView& allVariables, FindRound& round);

} // namespace varscope::ui
