#pragma once

#include "core/builder/builder.hpp"

#include <string_view>

// Texts the expression builder's windows show: captions, tool tips and messages, defined
// once.
namespace varscope::ui::text {

inline constexpr std::string_view kBuildingVariableList = "Building Variable List . . .";

inline constexpr std::string_view kBuilderCaption = "Expression Builder";
inline constexpr std::string_view kBuilderHint =
    "Modify highlighted words to contain valid parameters";
inline constexpr std::string_view kCopyToClipboard = "Copy to Clipboard";
inline constexpr std::string_view kDirectivesFrame = "Directives";
inline constexpr std::string_view kFunctionsFrame = "Variable Referencing Functions";
inline constexpr std::string_view kVariablesFrame = "Defined Configuration Variables";
inline constexpr std::string_view kInsertVariable = "Insert Variable";
inline constexpr std::string_view kClear = "Clear";
inline constexpr std::string_view kClose = "Close";
inline constexpr std::string_view kExpressionMenu = "popUp";
inline constexpr std::string_view kListMenu = "LPopUp";
inline constexpr std::string_view kCopy = "Copy";
inline constexpr std::string_view kPaste = "Paste";
inline constexpr std::string_view kCut = "Cut";
inline constexpr std::string_view kNoVariablesDefined = "No Variables Defined";

// A button that adds a piece: its control name, its caption (a doubled "&" shows one) and,
// for the functions, its tool tip.
struct BuilderButton {
    std::string_view name;
    std::string_view caption;
    core::BuilderPiece piece;
    std::string_view toolTip = {};
};

// "Directives", row by row, each row left to right; "Clear" takes the last place.
inline constexpr int kDirectiveColumns = 5;
inline constexpr BuilderButton kDirectiveButtons[] = {
    {"Command_if", "if", core::piece::kIf},
    {"Command_colon", ":", core::piece::kColon},
    {"Command_and", "AND", core::piece::kAnd},
    {"Command_define", "define", core::piece::kDefine},
    {"Command_ifdef", "if defined", core::piece::kIfDef},
    {"Command_else", "else", core::piece::kElse},
    {"Command_plus", "+", core::piece::kPlus},
    {"Command_or", "OR", core::piece::kOr},
    {"Command_undefine", "undefine", core::piece::kUndefine},
    {"Command_ifNotDef", "if not defined", core::piece::kIfNotDef},
    {"Command_elseIf", "else if", core::piece::kElseIf},
    {"Command_equals", "=", core::piece::kEquals},
    {"Command_not", "NOT", core::piece::kNot},
    {"Command_exists", "exists", core::piece::kExists},
    {"Command_level", "level", core::piece::kLevel},
    {"Command_endIf", "end if", core::piece::kEndIf},
    {"Command_dollar", "$", core::piece::kDollar},
    {"Command_less", "<", core::piece::kLess},
    {"Command_greater", ">", core::piece::kGreater},
    {"Command_include", "include", core::piece::kInclude},
    {"Command_error", "error", core::piece::kError},
    {"Command_brace", "{ }", core::piece::kBrace},
    {"Command_square", "( )", core::piece::kSquare},
    {"Command_lock", "lock", core::piece::kLock},
};

// "Variable Referencing Functions": the left column top to bottom, then the right one.
inline constexpr int kFunctionRows = 6;
inline constexpr BuilderButton kFunctionButtons[] = {
    {"Command_device", "Device", core::piece::kDevice, "Returns the Device of the variable passed"},
    {"Command_directory", "Directory", core::piece::kDirectory,
     "Returns the Directory of the variable passed"},
    {"Command_devDir", "Device && Directory", core::piece::kDevDir,
     "Returns the Device & Directory of the variable passed"},
    {"Command_parent", "Parent Directory", core::piece::kParent,
     "Returns the Parent Directory of the variable passed"},
    {"Command_devParent", "Dev && Parent Dir", core::piece::kDevParent,
     "Returns the Device & Parent Directory of the variable passed"},
    {"Command_basename", "Basename", core::piece::kBasename,
     "Returns the File Name (without Extension) of the variable passed"},
    {"Command_filename", "Filename", core::piece::kFilename,
     "Returns the File Name (w/Extension) of the variable passed"},
    {"Command_extension", "Extension", core::piece::kExtension,
     "Returns the File Extension of the variable passed"},
    {"Command_fullpath", "Complete Path (-ext)", core::piece::kFullPath,
     "Returns the Complete File Specification (w/o Extension) of the variable passed"},
    {"Command_firstPath", "First Path", core::piece::kFirstPath,
     "Returns the First Path from a list of paths defined by the variable passed"},
    {"Command_concat", "Concatenate Strings", core::piece::kConcat, "Concatenates Strings"},
    {"Command_build", "Build Definition", core::piece::kBuild,
     "Constructs new definition from defined variables"},
};

} // namespace varscope::ui::text
