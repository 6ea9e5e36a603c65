#include "category_tree_page.hpp"

#include "category_tree_model.hpp"
#include "core/category/category_tree.hpp"
#include "core/session.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "ui/busy_pointer.hpp"
#include "ui/context.hpp"
#include "ui/lists/list_views.hpp"

#include <QAction>
#include <QHeaderView>
#include <QKeySequence>

#include <optional>
#include <string>
#include <utility>

namespace varscope::ui {

CategoryTreePage::CategoryTreePage(Context& context, const IconLibrary& icons, ListView& view,
                                   OpenRecord openRecord, QObject* parent)
    : QObject(parent), m_context(context), m_view(view), m_openRecord(std::move(openRecord)) {
    m_model = new CategoryTreeModel(icons, &view);
    view.setModel(m_model);
    // Long expansions scroll sideways rather than lose their ends.
    view.header()->setStretchLastSection(false);
    view.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // A category or member node still opens and closes on a double-click, as in any tree.
    connect(&view, &ListView::rowActivated, this, &CategoryTreePage::openSelected);
    auto* open = new QAction(&view);
    open->setObjectName(QStringLiteral("openCategoryValue"));
    open->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    open->setShortcutContext(Qt::WidgetShortcut);
    view.addAction(open);
    connect(open, &QAction::triggered, this, &CategoryTreePage::openSelected);
}

void CategoryTreePage::rebuild() {
    core::AppState& state = m_context.state;
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
        m_context.prompter.message(*fileProblem, core::MessageIcon::Exclamation,
                                   core::text::kProgramTitle);
    if (duplicateKey)
        m_context.prompter.message(core::DuplicateKeyMessage(*duplicateKey),
                                   core::MessageIcon::Exclamation, core::text::kProgramTitle);
    emit rebuilt();
}

void CategoryTreePage::openSelected() {
    const QModelIndexList selected = m_view.selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const auto& records = m_context.state.report.Contents.Variables;
    const auto record =
        core::LinkedRecord(m_model->tree(), records, CategoryTreeModel::Position(selected.first()));
    if (record && m_openRecord)
        m_openRecord(records[*record - 1]);
}

} // namespace varscope::ui
