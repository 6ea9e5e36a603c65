#pragma once

#include <string_view>

// Texts the category windows show, defined once.
namespace varscope::ui::text {

// The Category Manager and its member dialogs.
inline constexpr std::string_view kManagerTitle = "Category Manager  ";
inline constexpr std::string_view kCategoryFrame = "Category";
inline constexpr std::string_view kCategoryListTip = "Right Click For Operations:";
inline constexpr std::string_view kDescriptionColumn = "Description";
inline constexpr std::string_view kVariableColumn = "Variable";
inline constexpr std::string_view kUpdate = "Update";
inline constexpr std::string_view kClose = "Close";
inline constexpr std::string_view kCancel = "Cancel";
inline constexpr std::string_view kFileMenu = "File";
inline constexpr std::string_view kNew = "New";
inline constexpr std::string_view kOpen = "Open";
inline constexpr std::string_view kCatalogueFilter = "Catalog Text File (*.txt)";
inline constexpr std::string_view kAddCategory = "Add Category";
inline constexpr std::string_view kAddMember = "Add Member";
inline constexpr std::string_view kDeleteCategory = "Delete Category";
inline constexpr std::string_view kDeleteMember = "Delete Member";
inline constexpr std::string_view kMoveUp = "Move Up";
inline constexpr std::string_view kMoveDown = "Move Down";
inline constexpr std::string_view kAddMemberTo = "Add Member to: ";
inline constexpr std::string_view kDeleteCategoryNamed = "Delete Category: ";
inline constexpr std::string_view kDeleteMemberFrom = "Delete Member From: ";
inline constexpr std::string_view kCategoryNamePrompt = "Enter Category Name:";
inline constexpr std::string_view kAddCategoryTitle = "Add New Category";
inline constexpr std::string_view kSaveChangesTo = "Save changes to ";
inline constexpr std::string_view kSaveChangesEnd = "?";
inline constexpr std::string_view kDescriptionLabel = "Description";
inline constexpr std::string_view kVariableLabel = "Variable Name";
inline constexpr std::string_view kVariableHint = "Select From List or Type New:";
inline constexpr std::string_view kDeleteMemberTitle = "Delete Member";
inline constexpr std::string_view kDelete = "Delete";

} // namespace varscope::ui::text
