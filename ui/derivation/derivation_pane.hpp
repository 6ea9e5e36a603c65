#pragma once

#include <QWidget>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace varscope::core {
struct AppState;
class NameIndex;
struct Derivation;
} // namespace varscope::core

namespace varscope::ui {

class IconLibrary;

// The pane under the variable lists: how the selected variable got its value (a tree of
// the definitions its value was built from) and which records use it. What the user asks
// of a row is told by signal.
class DerivationPane final : public QWidget {
    Q_OBJECT
public:
    DerivationPane(const core::AppState& state, const IconLibrary& icons,
                   QWidget* parent = nullptr);
    ~DerivationPane() override;

    // The report in the state was replaced: the name index is built again.
    void reload();
    // The derivation at the moment of record `record` (1-based).
    void showRecord(std::size_t record);
    // The derivation of the final value of `name`.
    void showFinalValue(const std::string& name);
    // Nothing selected: the pane says how to use it.
    void showNothing();

    // The record of the current row, or 0 when it names none.
    std::size_t currentRecord() const;

signals:
    // Double-click or Enter on a row naming a record (1-based).
    void recordChosen(std::size_t record);
    // "Open File" on a row naming a record: that record's configuration file.
    void fileChosen(const std::string& path);

private:
    void show(const core::Derivation& derivation, std::string_view name);
    QTreeWidgetItem* recordItem(std::size_t record);
    void activate();
    void copyName();
    void fillUsedBy(QTreeWidgetItem* item);

    const core::AppState& m_state;
    const IconLibrary& m_icons;
    QLabel* m_hint = nullptr;
    QTreeWidget* m_tree = nullptr;
    std::unique_ptr<core::NameIndex> m_index;
    // "Used by" of the last name shown: moving through one variable's records asks again.
    std::string m_usedByName;
    std::vector<std::size_t> m_usedBy;
    // Filled when first expanded: a variable most records use would make every selection
    // build a row per user.
    QTreeWidgetItem* m_usedByItem = nullptr;
};

} // namespace varscope::ui
