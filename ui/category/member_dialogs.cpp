#include "member_dialogs.hpp"

#include "category_texts.hpp"
#include "core/builder/builder.hpp"
#include "core/session.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "ui/text_conversion.hpp"

#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace varscope::ui {

namespace {

QPushButton* AddButton(QDialogButtonBox* box, std::string_view caption, const char* name,
                       QDialogButtonBox::ButtonRole role) {
    QPushButton* button = box->addButton(FromBytes(caption), role);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumWidth(88);
    return button;
}

} // namespace

MemberDialog::MemberDialog(Context& context, std::size_t category, QWidget* parent)
    : QDialog(parent), m_context(context), m_category(category) {
    setObjectName(QStringLiteral("Member"));
    const core::EditedCatalogue& categories = m_context.state.categories;
    setWindowTitle(FromBytes(text::kAddMemberTo) + ShownText(categories.category(category).name));

    auto* descriptionLabel = new QLabel(FromBytes(text::kDescriptionLabel), this);
    descriptionLabel->setObjectName(QStringLiteral("Label1"));
    m_description = new QLineEdit(this);
    m_description->setObjectName(QStringLiteral("Text_Description"));
    descriptionLabel->setBuddy(m_description);

    auto* variableLabel = new QLabel(FromBytes(text::kVariableLabel), this);
    variableLabel->setObjectName(QStringLiteral("Label2"));
    m_variable = new QComboBox(this);
    m_variable->setObjectName(QStringLiteral("Combo_MSVariable"));
    m_variable->setEditable(true);
    m_variable->setInsertPolicy(QComboBox::NoInsert);
    m_variable->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_variable->setMinimumContentsLength(28);
    // Each name of the report once: a name set at several levels is one choice.
    for (const std::string& name :
         core::DefinedVariableNames(m_context.state.report.VariableTable()))
        m_variable->addItem(ShownText(name), QByteArray(name.data(), qsizetype(name.size())));
    // Variable names are exact, so completion keeps the letter case of the report's names.
    m_variable->completer()->setCaseSensitivity(Qt::CaseSensitive);
    m_variable->completer()->setCompletionMode(QCompleter::PopupCompletion);
    m_variable->setCurrentIndex(-1);
    m_variable->lineEdit()->setPlaceholderText(FromBytes(text::kVariableHint));
    variableLabel->setBuddy(m_variable);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* add =
        AddButton(buttons, text::kUpdate, "Command_Add", QDialogButtonBox::AcceptRole);
    add->setDefault(true);
    QPushButton* cancel =
        AddButton(buttons, text::kCancel, "Command_Cancel", QDialogButtonBox::RejectRole);

    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    fields->addRow(descriptionLabel, m_description);
    fields->addRow(variableLabel, m_variable);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    resize(460, sizeHint().height());

    connect(add, &QPushButton::clicked, this, &MemberDialog::onAdd);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::string MemberDialog::variableName() const {
    const QString shown = m_variable->currentText();
    // Names cut for display alike are told apart by the item chosen.
    const int current = m_variable->currentIndex();
    const int index = current >= 0 && m_variable->itemText(current) == shown
                          ? current
                          : m_variable->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return ToBytes(shown);
    const QByteArray bytes = m_variable->itemData(index).toByteArray();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

void MemberDialog::onAdd() {
    core::EditedCatalogue& categories = m_context.state.categories;
    core::CatalogueMember member{ToBytes(m_description->text()), variableName()};
    if (const auto refusal = core::MemberRefusal(categories.catalogue(), member)) {
        const bool leftOut = refusal->kind == core::Refusal::Kind::LeftOut;
        m_context.prompter.message(refusal->reason,
                                   leftOut ? core::MessageIcon::Information
                                           : core::MessageIcon::Exclamation,
                                   core::text::kProgramTitle);
        return;
    }
    categories.addMember(m_category, std::move(member));
    accept();
}

DeleteMemberDialog::DeleteMemberDialog(Context& context, std::size_t category, QWidget* parent)
    : QDialog(parent), m_context(context), m_category(category) {
    setObjectName(QStringLiteral("Delete_Item"));
    setWindowTitle(FromBytes(text::kDeleteMemberTitle));

    m_members = new QListWidget(this);
    m_members->setObjectName(QStringLiteral("List_delete"));
    m_members->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const core::CatalogueMember& member :
         m_context.state.categories.category(category).members)
        m_members->addItem(ShownText(member.description));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* remove =
        AddButton(buttons, text::kDelete, "OKButton", QDialogButtonBox::AcceptRole);
    QPushButton* cancel =
        AddButton(buttons, text::kCancel, "Command_xcancel", QDialogButtonBox::RejectRole);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_members);
    layout->addWidget(buttons);
    resize(320, 300);

    connect(remove, &QPushButton::clicked, this, &DeleteMemberDialog::onDelete);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DeleteMemberDialog::onDelete() {
    std::vector<std::size_t> positions;
    for (int row = 0; row < m_members->count(); ++row) {
        if (m_members->item(row)->isSelected())
            positions.push_back(std::size_t(row) + 1);
    }
    m_context.state.categories.deleteMembers(m_category, std::move(positions));
    accept();
}

} // namespace varscope::ui
