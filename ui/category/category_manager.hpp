#pragma once

#include "ui/context.hpp"

#include <QDialog>

#include <cstddef>
#include <optional>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTreeWidget;
class QVBoxLayout;

namespace varscope::core {
enum class CategoryMove;
} // namespace varscope::core

namespace varscope::ui {

// The Category Manager: edits the shared catalogue and writes it to the category file on
// "Update". Every opening reloads the catalogue from the file; no edit is dropped without
// the user saying so.
class CategoryManager final : public QDialog {
    Q_OBJECT
public:
    CategoryManager(Context& context, QWidget* parent = nullptr);

    // Sets the context menu's captions and states for the selected category, as a right
    // click does before showing it.
    void prepareContextMenu();

signals:
    // "Close": the main window's category tree should be built again from the file.
    void categoryTreeRebuildRequested();

protected:
    // The close box and Escape: ask before unsaved edits go.
    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void showTitle();
    void fillCategories(std::size_t select);
    void showCategoryMembers();
    void updateButtons();
    // 1-based; 0 when no category is selected.
    std::size_t selectedPosition() const;

    void onContextMenu(const QPoint& at);
    void onAddCategory();
    void onAddMember();
    void onDeleteMember();
    void moveOrDelete(core::CategoryMove move);
    void onImageMove(core::CategoryMove move);
    void onUpdate();
    void onClose();
    void onCancel();
    void onNew();
    void onOpen();

    // With unsaved edits, asks whether to save them: true to go on (saved, or the user
    // let them go), false to stay.
    bool settleUnsavedChanges();
    // Saves to the category file; a failure is shown and gives false.
    // Loads the category file, fills the lists and says why the file cannot be read whole.
    void loadFile();
    bool save();
    // Forgets the edits: the catalogue as the file has it.
    void discard();
    QString chooseFile(bool forNew);

    Context& m_context;
    QListWidget* m_categories = nullptr;
    QTreeWidget* m_members = nullptr;
    QVBoxLayout* m_membersColumn = nullptr;
    QPushButton* m_update = nullptr;
    QLabel* m_picture = nullptr;
    QMenu* m_popUp = nullptr;
    QAction* m_addMember = nullptr;
    QAction* m_delete = nullptr;
    QAction* m_deleteMember = nullptr;
    QAction* m_moveUp = nullptr;
    QAction* m_moveDown = nullptr;
    // The move of the last image button, which Enter in the picture box repeats.
    std::optional<core::CategoryMove> m_lastMove;
    bool m_columnsSized = false;
};

} // namespace varscope::ui
