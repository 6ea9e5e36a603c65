#pragma once

#include "ui/context.hpp"

#include <QDialog>

#include <cstddef>
#include <string>

class QComboBox;
class QLineEdit;
class QListWidget;

namespace varscope::ui {

// "Add Member to: " a category of the Category Manager's catalogue. A member is added only
// when its names can be taken; otherwise the dialog says why and keeps what was typed.
class MemberDialog final : public QDialog {
    Q_OBJECT
public:
    // `category`: the 1-based position of the category in the shared catalogue.
    MemberDialog(Context& context, std::size_t category, QWidget* parent = nullptr);

private:
    void onAdd();
    // The chosen name in its original bytes, or the typed one.
    std::string variableName() const;

    Context& m_context;
    std::size_t m_category;
    QLineEdit* m_description = nullptr;
    QComboBox* m_variable = nullptr;
};

// "Delete Member": removes the members selected in its list from one category.
class DeleteMemberDialog final : public QDialog {
    Q_OBJECT
public:
    DeleteMemberDialog(Context& context, std::size_t category, QWidget* parent = nullptr);

private:
    void onDelete();

    Context& m_context;
    std::size_t m_category;
    QListWidget* m_members = nullptr;
};

} // namespace varscope::ui
