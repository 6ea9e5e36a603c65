#include "category_manager.hpp"

#include "category_texts.hpp"
#include "core/category/catalogue_edits.hpp"
#include "core/session.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "member_dialogs.hpp"
#include "ui/pickers.hpp"
#include "ui/text_conversion.hpp"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace varscope::ui {

namespace {

QAction* AddItem(QMenu* menu, std::string_view caption, const char* name) {
    QAction* action = menu->addAction(FromBytes(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QPushButton* AddButton(QDialogButtonBox* box, std::string_view caption, const char* name) {
    QPushButton* button = box->addButton(FromBytes(caption), QDialogButtonBox::ActionRole);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setMinimumWidth(88);
    return button;
}

} // namespace

CategoryManager::CategoryManager(Context& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("Category"));
    buildControls();
    buildMenus();
    showTitle();
    loadFile();
}

void CategoryManager::loadFile() {
    const auto problem =
        m_context.state.categories.load(m_context.state.preferences.CategoryFilePath);
    fillCategories(0);
    updateButtons();
    if (problem)
        m_context.prompter.message(*problem, core::MessageIcon::Exclamation,
                                   core::text::kProgramTitle);
}

void CategoryManager::buildControls() {
    auto* frame = new QGroupBox(FromBytes(text::kCategoryFrame), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_categories = new QListWidget(frame);
    m_categories->setObjectName(QStringLiteral("List_Cat"));
    m_categories->setSelectionMode(QAbstractItemView::SingleSelection);
    m_categories->setToolTip(FromBytes(text::kCategoryListTip));
    m_categories->setContextMenuPolicy(Qt::CustomContextMenu);

    const auto imageButton = [frame](const char* name, Qt::ArrowType arrow) {
        auto* button = new QToolButton(frame);
        button->setObjectName(QString::fromLatin1(name));
        button->setArrowType(arrow);
        button->setAutoRaise(true);
        button->setFixedSize(28, 28);
        return button;
    };
    QToolButton* softUp = imageButton("SoftBttn1", Qt::UpArrow);
    QToolButton* softDown = imageButton("SoftBttn2", Qt::DownArrow);
    softUp->setToolTip(FromBytes(text::kMoveUp));
    softDown->setToolTip(FromBytes(text::kMoveDown));
    // Takes the focus after an image-button move, so Enter keeps moving the category.
    m_picture = new QLabel(frame);
    m_picture->setObjectName(QStringLiteral("Picture1"));
    m_picture->setFixedSize(28, 28);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFocusPolicy(Qt::ClickFocus);
    m_picture->setFrameShape(QFrame::StyledPanel);
    m_picture->setFrameShadow(QFrame::Sunken);
    m_picture->setPixmap(style()->standardIcon(QStyle::SP_BrowserReload).pixmap(16, 16));
    // Enter in the picture box repeats the last image button's move.
    auto* repeatMove = new QAction(m_picture);
    repeatMove->setObjectName(QStringLiteral("repeatMove"));
    repeatMove->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    repeatMove->setShortcutContext(Qt::WidgetShortcut);
    m_picture->addAction(repeatMove);
    connect(repeatMove, &QAction::triggered, this, [this] {
        if (m_lastMove)
            moveOrDelete(*m_lastMove);
    });
    auto* imageColumn = new QVBoxLayout;
    imageColumn->addWidget(softUp);
    imageColumn->addWidget(softDown);
    imageColumn->addWidget(m_picture);
    imageColumn->addStretch();
    auto* frameLayout = new QHBoxLayout(frame);
    frameLayout->addWidget(m_categories, 1);
    frameLayout->addLayout(imageColumn);

    auto* up = new QPushButton(style()->standardIcon(QStyle::SP_ArrowUp), QString(), this);
    up->setObjectName(QStringLiteral("Command_Up"));
    auto* down = new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown), QString(), this);
    down->setObjectName(QStringLiteral("Command_Dn"));
    for (QPushButton* button : {up, down}) {
        button->setAutoDefault(false);
        button->setFixedWidth(40);
    }
    up->setToolTip(FromBytes(text::kMoveUp));
    down->setToolTip(FromBytes(text::kMoveDown));

    m_members = new QTreeWidget(this);
    m_members->setObjectName(QStringLiteral("ListView_Description"));
    m_members->setRootIsDecorated(false);
    m_members->setUniformRowHeights(true);
    m_members->setSelectionMode(QAbstractItemView::SingleSelection);
    m_members->setHeaderLabels(
        {FromBytes(text::kDescriptionColumn), FromBytes(text::kVariableColumn)});
    m_members->header()->setStretchLastSection(false);
    m_members->setContextMenuPolicy(Qt::CustomContextMenu);

    auto* buttons = new QDialogButtonBox(this);
    m_update = AddButton(buttons, text::kUpdate, "OKButton");
    QPushButton* close = AddButton(buttons, text::kClose, "Command_Close");
    QPushButton* cancel = AddButton(buttons, text::kCancel, "Command_Cancel");

    m_membersColumn = new QVBoxLayout;
    m_membersColumn->addWidget(m_members);
    auto* lists = new QHBoxLayout;
    lists->addWidget(frame, 2);
    lists->addLayout(m_membersColumn, 3);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(up);
    bottom->addWidget(down);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);
    resize(700, 400);

    connect(m_categories, &QListWidget::itemSelectionChanged, this,
            &CategoryManager::showCategoryMembers);
    connect(m_categories, &QWidget::customContextMenuRequested, this,
            &CategoryManager::onContextMenu);
    connect(m_members, &QWidget::customContextMenuRequested, this, &CategoryManager::onContextMenu);
    connect(up, &QPushButton::clicked, this, [this] { moveOrDelete(core::CategoryMove::Up); });
    connect(down, &QPushButton::clicked, this, [this] { moveOrDelete(core::CategoryMove::Down); });
    connect(softUp, &QToolButton::clicked, this, [this] { onImageMove(core::CategoryMove::Up); });
    connect(softDown, &QToolButton::clicked, this,
            [this] { onImageMove(core::CategoryMove::Down); });
    connect(m_update, &QPushButton::clicked, this, &CategoryManager::onUpdate);
    connect(close, &QPushButton::clicked, this, &CategoryManager::onClose);
    connect(cancel, &QPushButton::clicked, this, &CategoryManager::onCancel);
}

void CategoryManager::buildMenus() {
    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(FromBytes(text::kFileMenu));
    file->setObjectName(QStringLiteral("mFile"));
    connect(AddItem(file, text::kNew, "catNew"), &QAction::triggered, this,
            &CategoryManager::onNew);
    connect(AddItem(file, text::kOpen, "catOpen"), &QAction::triggered, this,
            &CategoryManager::onOpen);
    layout()->setMenuBar(bar);

    m_popUp = new QMenu(this);
    m_popUp->setObjectName(QStringLiteral("popUp"));
    connect(AddItem(m_popUp, text::kAddCategory, "pMnuAdd"), &QAction::triggered, this,
            &CategoryManager::onAddCategory);
    m_addMember = AddItem(m_popUp, text::kAddMember, "pMnuAddMember");
    m_popUp->addSeparator();
    m_delete = AddItem(m_popUp, text::kDeleteCategory, "pMnuDelete");
    m_deleteMember = AddItem(m_popUp, text::kDeleteMember, "pMnuDeleteMember");
    m_popUp->addSeparator();
    m_moveUp = AddItem(m_popUp, text::kMoveUp, "pMnuMoveUp");
    m_moveDown = AddItem(m_popUp, text::kMoveDown, "pMnuMoveDn");
    connect(m_addMember, &QAction::triggered, this, &CategoryManager::onAddMember);
    connect(m_deleteMember, &QAction::triggered, this, &CategoryManager::onDeleteMember);
    connect(m_delete, &QAction::triggered, this,
            [this] { moveOrDelete(core::CategoryMove::Delete); });
    connect(m_moveUp, &QAction::triggered, this, [this] { moveOrDelete(core::CategoryMove::Up); });
    connect(m_moveDown, &QAction::triggered, this,
            [this] { moveOrDelete(core::CategoryMove::Down); });
}

void CategoryManager::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_columnsSized)
        return;
    m_columnsSized = true;
    // The member list lines up with the category list inside its frame.
    const int listTop = m_categories->mapTo(this, QPoint()).y();
    const int membersTop = m_members->mapTo(this, QPoint()).y();
    const int top = listTop - membersTop;
    const int bottom = membersTop + m_members->height() - listTop - m_categories->height();
    m_membersColumn->setContentsMargins(0, std::max(top, 0), 0, std::max(bottom, 0));
    layout()->activate();
    const int width = m_members->width();
    m_members->setColumnWidth(0, width / 2);
    m_members->setColumnWidth(1, int(width / 2.55));
}

void CategoryManager::showTitle() {
    setWindowTitle(FromBytes(text::kManagerTitle) +
                   FromBytes(m_context.state.preferences.CategoryFilePath));
}

void CategoryManager::fillCategories(std::size_t select) {
    m_categories->clear();
    for (const core::CatalogueCategory& category :
         m_context.state.categories.catalogue().categories)
        m_categories->addItem(ShownText(category.name));
    if (select > 0)
        m_categories->setCurrentRow(int(select) - 1);
    showCategoryMembers();
}

std::size_t CategoryManager::selectedPosition() const {
    const QList<QListWidgetItem*> selected = m_categories->selectedItems();
    return selected.isEmpty() ? 0 : std::size_t(m_categories->row(selected.front())) + 1;
}

void CategoryManager::showCategoryMembers() {
    m_members->clear();
    const std::size_t position = selectedPosition();
    if (position == 0)
        return;
    for (const core::CatalogueMember& member :
         m_context.state.categories.category(position).members)
        new QTreeWidgetItem(m_members, {ShownText(member.description), ShownText(member.variable)});
}

void CategoryManager::updateButtons() {
    m_update->setEnabled(m_context.state.categories.unsavedChanges());
}

void CategoryManager::prepareContextMenu() {
    const std::size_t position = selectedPosition();
    if (position > 0) {
        const core::CatalogueCategory& category = m_context.state.categories.category(position);
        const QString name = ShownText(category.name);
        const bool noMember = category.members.empty() || category.members.front().isPlaceholder();
        m_deleteMember->setEnabled(!noMember);
        if (!noMember)
            m_deleteMember->setText(FromBytes(text::kDeleteMemberFrom) + name);
        m_delete->setEnabled(true);
        m_delete->setText(FromBytes(text::kDeleteCategoryNamed) + name);
        m_addMember->setEnabled(true);
        m_addMember->setText(FromBytes(text::kAddMemberTo) + name);
    } else {
        for (QAction* item : {m_delete, m_addMember, m_deleteMember})
            item->setEnabled(false);
    }
    const int row = int(position) - 1;
    m_moveUp->setEnabled(row != 0);
    m_moveDown->setEnabled(row != m_categories->count() - 1);
}

void CategoryManager::onContextMenu(const QPoint& at) {
    prepareContextMenu();
    m_popUp->popup(static_cast<QWidget*>(sender())->mapToGlobal(at));
}

void CategoryManager::onAddCategory() {
    core::EditedCatalogue& categories = m_context.state.categories;
    std::string typed;
    for (;;) {
        const auto name =
            m_context.prompter.input(text::kCategoryNamePrompt, text::kAddCategoryTitle, typed);
        if (!name || name->empty())
            return;
        const auto refusal = core::CategoryNameRefusal(categories.catalogue(), *name);
        if (!refusal) {
            fillCategories(categories.addCategory(*name));
            updateButtons();
            return;
        }
        m_context.prompter.message(refusal->reason, core::MessageIcon::Exclamation,
                                   core::text::kProgramTitle);
        typed = *name;
    }
}

void CategoryManager::onAddMember() {
    const std::size_t position = selectedPosition();
    if (position == 0)
        return;
    MemberDialog dialog(m_context, position, this);
    if (dialog.exec() == QDialog::Accepted)
        showCategoryMembers();
    updateButtons();
}

void CategoryManager::onDeleteMember() {
    const std::size_t position = selectedPosition();
    if (position == 0)
        return;
    DeleteMemberDialog dialog(m_context, position, this);
    dialog.exec();
    showCategoryMembers();
    updateButtons();
}

void CategoryManager::moveOrDelete(core::CategoryMove move) {
    const core::MoveOutcome outcome =
        m_context.state.categories.moveOrDelete(move, selectedPosition());
    if (outcome.changed)
        fillCategories(outcome.selected);
    updateButtons();
}

void CategoryManager::onImageMove(core::CategoryMove move) {
    m_lastMove = move;
    moveOrDelete(move);
    m_picture->setFocus(Qt::OtherFocusReason);
}

bool CategoryManager::save() {
    if (const auto failure =
            m_context.state.categories.save(m_context.state.preferences.CategoryFilePath)) {
        m_context.prompter.message(*failure, core::MessageIcon::Stop, core::text::kProgramTitle);
        return false;
    }
    updateButtons();
    return true;
}

void CategoryManager::discard() {
    m_context.state.categories.load(m_context.state.preferences.CategoryFilePath);
}

bool CategoryManager::settleUnsavedChanges() {
    if (!m_context.state.categories.unsavedChanges())
        return true;
    const std::string question = std::string(text::kSaveChangesTo) +
                                 m_context.state.preferences.CategoryFilePath +
                                 std::string(text::kSaveChangesEnd);
    switch (m_context.prompter.askYesNoCancel(question, core::text::kProgramTitle)) {
    case core::Answer::Yes:
        return save();
    case core::Answer::No:
        return true;
    case core::Answer::Cancel:
        break;
    }
    return false;
}

void CategoryManager::onUpdate() {
    if (m_context.state.categories.unsavedChanges() && !save())
        return;
    accept();
}

void CategoryManager::onClose() {
    if (!settleUnsavedChanges())
        return;
    if (m_context.state.categories.unsavedChanges())
        discard();
    accept();
    emit categoryTreeRebuildRequested();
}

void CategoryManager::onCancel() {
    discard();
    QDialog::reject();
}

void CategoryManager::reject() {
    if (!settleUnsavedChanges())
        return;
    if (m_context.state.categories.unsavedChanges())
        discard();
    QDialog::reject();
}

QString CategoryManager::chooseFile(bool forNew) {
    const QString title = FromBytes(forNew ? text::kNew : text::kOpen);
    const QString folder = FromBytes(m_context.state.preferences.ProgramFolder);
    const QString filter = FromBytes(text::kCatalogueFilter);
    // "New" names a file that the next save creates; "Open" one that is there.
    return forNew ? m_context.pickers.saveFile(this, title, folder, filter)
                  : m_context.pickers.openFile(this, title, folder, filter);
}

void CategoryManager::onNew() {
    if (!settleUnsavedChanges())
        return;
    const QString chosen = chooseFile(true);
    if (chosen.isEmpty())
        return;
    m_context.state.preferences.CategoryFilePath = ToBytes(QDir::toNativeSeparators(chosen));
    m_context.state.categories.startAfresh();
    showTitle();
    fillCategories(0);
    updateButtons();
}

void CategoryManager::onOpen() {
    if (!settleUnsavedChanges())
        return;
    const QString chosen = chooseFile(false);
    if (chosen.isEmpty())
        return;
    m_context.state.preferences.CategoryFilePath = ToBytes(QDir::toNativeSeparators(chosen));
    showTitle();
    loadFile();
}

} // namespace varscope::ui
