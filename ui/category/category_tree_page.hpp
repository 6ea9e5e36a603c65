#pragma once

#include <QObject>

namespace varscope::ui {

class CategoryTreeModel;
class MainWindow;

// The main window's Category page: the tree of the category file over the loaded report,
// built at start-up and on every visit of the page, and its value nodes opening the files
// that set them.
class CategoryTreePage final : public QObject {
    Q_OBJECT
public:
    explicit CategoryTreePage(MainWindow& window);

    // BuildCategoryTree: reads the category file named by the preferences, shows its tree
    // and links the records to their value nodes. A duplicate key is reported and the tree
    // keeps what was built before it.
    void rebuild();
    // Double-click and Enter: the selected value node's variable opened as All Variables
    // opens one; category and member nodes do nothing.
    void openSelected();

    CategoryTreeModel& model() const { return *m_model; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& m_window;
    // Compared with, never reached through, in eventFilter.
    const QObject* const m_view;
    const QObject* const m_viewport;
    CategoryTreeModel* m_model = nullptr;
};

} // namespace varscope::ui
