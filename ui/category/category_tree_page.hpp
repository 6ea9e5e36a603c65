#pragma once

#include <QObject>

#include <functional>

namespace varscope::core {
struct ConfigVariable;
} // namespace varscope::core

namespace varscope::ui {

struct Context;
class CategoryTreeModel;
class IconLibrary;
class ListView;

// The main window's Category page: the tree of the category file over the loaded report,
// built at start-up and on every visit of the page, and its value nodes opening the files
// that set them.
class CategoryTreePage final : public QObject {
    Q_OBJECT
public:
    // Opens the file that set a record, as All Variables opens one.
    using OpenRecord = std::function<void(const core::ConfigVariable&)>;

    CategoryTreePage(Context& context, const IconLibrary& icons, ListView& view,
                     OpenRecord openRecord, QObject* parent = nullptr);

    // Reads the category file named by the preferences, shows its tree and links the
    // records to their value nodes. A duplicate key is reported and the tree keeps what was
    // built before it.
    void rebuild();
    // Double-click and Enter: the selected value node's variable opened as All Variables
    // opens one; category and member nodes do nothing.
    void openSelected();

    CategoryTreeModel& model() const { return *m_model; }

signals:
    // The tree was built again, a duplicate key reported.
    void rebuilt();

private:
    Context& m_context;
    ListView& m_view;
    OpenRecord m_openRecord;
    CategoryTreeModel* m_model = nullptr;
};

} // namespace varscope::ui
