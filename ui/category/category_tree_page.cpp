#include "category_tree_page.hpp"

#include "category_tree_model.hpp"
#include "core/category/category_tree.hpp"
#include "core/session.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "ui/main/main_window.hpp"
#include "ui/main/view_interaction.hpp"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeView>

#include <optional>
#include <string>

namespace varscope::ui {

namespace {

// The hourglass for as long as it lives, however the building ends.
class BusyPointer final {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace

CategoryTreePage::CategoryTreePage(MainWindow& window)
    : QObject(&window), m_window(window), m_view(window.categoryView()),
      m_viewport(window.categoryView()->viewport()) {
    QTreeView* view = m_window.categoryView();
    m_model = new CategoryTreeModel(m_window.icons(), view);
    view->setModel(m_model);
    // Long expansions scroll sideways rather than lose their ends.
    view->header()->setStretchLastSection(false);
    view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    connect(&m_window, &MainWindow::categoryTreeRequested, this, &CategoryTreePage::rebuild);
}

void CategoryTreePage::rebuild() {
    core::AppState& state = m_window.context().state;
    std::optional<std::string> duplicateKey;
    std::optional<std::string> fileProblem;
    {
        const BusyPointer busy;
        core::CategoryListing listing =
            core::ReadCategoryListing(state.preferences.CategoryFilePath);
        fileProblem = std::move(listing.problem);
        core::CategoryTree tree = core::BuildCategoryTree(listing, state.report.Contents);
        duplicateKey = tree.duplicateKey;
        m_model->setTree(std::move(tree));
    }
    if (fileProblem)
        m_window.context().prompter.message(*fileProblem, core::MessageIcon::Exclamation,
                                            core::text::kProgramTitle);
    if (duplicateKey)
        m_window.context().prompter.message(core::DuplicateKeyMessage(*duplicateKey),
                                            core::MessageIcon::Exclamation,
                                            core::text::kProgramTitle);
}

void CategoryTreePage::openSelected() {
    const QModelIndexList selected = m_window.categoryView()->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const auto& records = m_window.context().state.report.Contents.Variables;
    const auto record =
        core::LinkedRecord(m_model->tree(), records, CategoryTreeModel::Position(selected.first()));
    if (record)
        m_window.interaction().categoryValueDoubleClicked(records[*record - 1]);
}

bool CategoryTreePage::eventFilter(QObject* watched, QEvent* event) {
    // Addresses only: the view sends events on its way out too, while the window is half gone.
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_viewport) {
        // Not taken: a category or member node still opens and closes as in any tree.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            openSelected();
    } else if (event->type() == QEvent::KeyPress && watched == m_view) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openSelected();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace varscope::ui
