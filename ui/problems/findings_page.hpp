#pragma once

#include "core/problems/problems.hpp"

#include <QWidget>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;

namespace varscope::core {
struct AppState;
class NameIndex;
} // namespace varscope::core

namespace varscope::ui {

class ListView;
class ProblemsModel;

// The Problems page: the health check's findings for the report read, one row each, with
// "Show notes" to hide the notes. Worked out on reload(); what the user asks of a finding
// is told by signal, so the page needs nothing of the main window.
class FindingsPage final : public QWidget {
    Q_OBJECT
public:
    explicit FindingsPage(const core::AppState& state, QWidget* parent = nullptr);
    ~FindingsPage() override;

    // Runs the check on the report in the state; the findings point into that report.
    void reload();
    // The findings shown ("Show notes" decides about the notes), in report order.
    const std::vector<core::Finding>& shownFindings() const { return m_shown; }
    // The shown findings as `varscope-cli check` writes them.
    std::string linesText() const;
    // The finding of the selected row, or null.
    const core::Finding* selectedFinding() const;

signals:
    // The shown findings changed (a reload or "Show notes"): the tab caption counts them.
    void findingsChanged(int shown);
    // Double-click or Enter on a finding about a record (1-based).
    void recordChosen(std::size_t record);
    // The same on a finding about a file; the report's own path for one about the report.
    void fileChosen(const std::string& path);

private:
    void applyNotes();
    void activate();
    void openMenu(const QPoint& globalPos);
    void copySelected();

    const core::AppState& m_state;
    ListView* m_view = nullptr;
    ProblemsModel* m_model = nullptr;
    QCheckBox* m_showNotes = nullptr;
    QAction* m_copy = nullptr;
    std::unique_ptr<core::NameIndex> m_index;
    std::vector<core::Finding> m_all;
    std::vector<core::Finding> m_shown;
};

} // namespace varscope::ui
