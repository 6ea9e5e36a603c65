#include "builder_window.hpp"

#include "builder_texts.hpp"
#include "core/builder/builder.hpp"
#include "core/session.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "ui/text_conversion.hpp"

#include <QAction>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringListModel>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::ui {

namespace {

const QColor kPlaceholderColour(255, 0, 0);
constexpr int kExpressionLines = 5;
constexpr int kListMinimumWidth = 220;

// The box counts its text in UTF-16 units; the insertion rule counts in the same units.
std::u16string_view Units(const QString& text) {
    return {QStringView(text).utf16(), std::size_t(text.size())};
}

QPushButton* NewButton(std::string_view name, std::string_view caption, QWidget* parent) {
    auto* button = new QPushButton(FromBytes(caption), parent);
    button->setObjectName(FromBytes(name));
    // Enter belongs to the expression box and the list; no button takes it over.
    button->setAutoDefault(false);
    return button;
}

// Buttons of one group share one width, so their grid reads as columns.
void SameWidth(const QList<QPushButton*>& buttons) {
    int width = 0;
    for (const QPushButton* button : buttons)
        width = std::max(width, button->sizeHint().width());
    for (QPushButton* button : buttons)
        button->setMinimumWidth(width);
}

QAction* NewAction(std::string_view name, std::string_view caption, QMenu* menu) {
    QAction* action = menu->addAction(FromBytes(caption));
    action->setObjectName(FromBytes(name));
    return action;
}

} // namespace

ExpressionBuilder::ExpressionBuilder(Context& context, QWidget* parent, QWidget* notice)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("Builder"));
    setWindowTitle(FromBytes(text::kBuilderCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    buildControls();
    load(notice);
}

ExpressionBuilder::~ExpressionBuilder() {
    // The boxes outlive this part of the window while it is taken apart, and still send
    // events then.
    m_expression->removeEventFilter(this);
    m_expression->viewport()->removeEventFilter(this);
    m_list->viewport()->removeEventFilter(this);
}

void ExpressionBuilder::buildControls() {
    auto* hint = new QLabel(FromBytes(text::kBuilderHint), this);
    hint->setObjectName(QStringLiteral("Label1"));

    m_expression = new QTextEdit(this);
    m_expression->setObjectName(QStringLiteral("RichTextBox_expression"));
    // Pasted text takes the box's look; only placeholders are coloured.
    m_expression->setAcceptRichText(false);
    m_expression->setMinimumHeight(m_expression->fontMetrics().lineSpacing() * kExpressionLines +
                                   2 * m_expression->frameWidth() + 8);
    m_expression->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // The box's own menu would come on top of ours.
    m_expression->setContextMenuPolicy(Qt::PreventContextMenu);
    auto* copy = NewButton("Command_copy", text::kCopyToClipboard, this);
    copy->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);

    auto* directives = new QGroupBox(FromBytes(text::kDirectivesFrame), this);
    directives->setObjectName(QStringLiteral("Frame1"));
    auto* directiveGrid = new QGridLayout(directives);
    QList<QPushButton*> directiveButtons;
    for (const text::BuilderButton& entry : text::kDirectiveButtons)
        directiveButtons << newPieceButton(entry, directives);
    QPushButton* clear = NewButton("Command_clear", text::kClear, directives);
    directiveButtons << clear;
    for (int place = 0; place < directiveButtons.size(); ++place)
        directiveGrid->addWidget(directiveButtons[place], place / text::kDirectiveColumns,
                                 place % text::kDirectiveColumns);
    SameWidth(directiveButtons);

    auto* functions = new QGroupBox(FromBytes(text::kFunctionsFrame), this);
    functions->setObjectName(QStringLiteral("Frame3"));
    auto* functionGrid = new QGridLayout(functions);
    QList<QPushButton*> functionButtons;
    for (const text::BuilderButton& entry : text::kFunctionButtons)
        functionButtons << newPieceButton(entry, functions);
    for (int place = 0; place < functionButtons.size(); ++place)
        functionGrid->addWidget(functionButtons[place], place % text::kFunctionRows,
                                place / text::kFunctionRows);
    SameWidth(functionButtons);

    auto* variables = new QGroupBox(FromBytes(text::kVariablesFrame), this);
    variables->setObjectName(QStringLiteral("Frame2"));
    m_names = new QStringListModel(this);
    m_list = new QListView(variables);
    m_list->setObjectName(QStringLiteral("List_config"));
    m_list->setModel(m_names);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One line per name: a large report's list is laid out without measuring each row.
    m_list->setUniformItemSizes(true);
    m_list->setMinimumWidth(kListMinimumWidth);
    m_list->setContextMenuPolicy(Qt::PreventContextMenu);
    m_insert = NewButton("Command_insert", text::kInsertVariable, variables);
    auto* variablesLayout = new QVBoxLayout(variables);
    variablesLayout->addWidget(m_list, 1);
    variablesLayout->addWidget(m_insert, 0, Qt::AlignRight);

    auto* close = NewButton("Command_close", text::kClose, this);
    close->setMinimumWidth(m_insert->sizeHint().width());

    m_expressionMenu = new QMenu(FromBytes(text::kExpressionMenu), this);
    m_expressionMenu->setObjectName(QStringLiteral("mPop"));
    m_copy = NewAction("pCopy", text::kCopy, m_expressionMenu);
    m_paste = NewAction("pPaste", text::kPaste, m_expressionMenu);
    m_cut = NewAction("pCut", text::kCut, m_expressionMenu);
    m_listMenu = new QMenu(FromBytes(text::kListMenu), this);
    m_listMenu->setObjectName(QStringLiteral("ListPop"));
    QAction* listCopy = NewAction("lpCopy", text::kCopy, m_listMenu);

    auto* expressionRow = new QHBoxLayout;
    expressionRow->addWidget(m_expression, 1);
    expressionRow->addWidget(copy);
    auto* groups = new QGridLayout;
    groups->addWidget(directives, 0, 0);
    groups->addWidget(functions, 1, 0);
    groups->addWidget(variables, 0, 1, 2, 1);
    groups->addWidget(close, 2, 1, Qt::AlignRight);
    groups->setColumnStretch(1, 1);
    groups->setRowStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(expressionRow);
    layout->addLayout(groups, 1);

    m_expression->installEventFilter(this);
    m_expression->viewport()->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    connect(copy, &QPushButton::clicked, this, &ExpressionBuilder::copyToClipboard);
    connect(clear, &QPushButton::clicked, m_expression, &QTextEdit::clear);
    connect(m_insert, &QPushButton::clicked, this, &ExpressionBuilder::insertVariable);
    connect(m_list, &QListView::doubleClicked, this, &ExpressionBuilder::insertDoubleClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_copy, &QAction::triggered, m_expression, &QTextEdit::copy);
    connect(m_paste, &QAction::triggered, m_expression, &QTextEdit::paste);
    connect(m_cut, &QAction::triggered, m_expression, &QTextEdit::cut);
    connect(listCopy, &QAction::triggered, this, &ExpressionBuilder::copySelectedName);
}

QPushButton* ExpressionBuilder::newPieceButton(const text::BuilderButton& entry, QWidget* group) {
    QPushButton* button = NewButton(entry.name, entry.caption, group);
    if (!entry.toolTip.empty())
        button->setToolTip(FromBytes(entry.toolTip));
    const QString piece = FromBytes(entry.piece.text);
    const QString placeholder = FromBytes(entry.piece.placeholder);
    connect(button, &QPushButton::clicked, this,
            [this, piece, placeholder] { insertIntoExpression(piece, placeholder); });
    return button;
}

void ExpressionBuilder::load(QWidget* notice) {
    std::vector<std::string> names;
    try {
        names = core::DefinedVariableNames(m_context.state.report.VariableTable());
    } catch (const std::exception&) {
        // Too large to list: the same as no list at all.
        names.clear();
    }
    QStringList shown;
    shown.reserve(qsizetype(names.size()));
    for (const std::string& name : names)
        shown.append(ShownText(name));
    m_names->setStringList(shown);
    m_fullNames = std::move(names);
    if (notice != nullptr)
        notice->close();
    // The first press in the box sets them by what it finds.
    m_paste->setEnabled(false);
    m_copy->setEnabled(false);
    if (m_fullNames.empty()) {
        m_list->setEnabled(false);
        m_insert->setEnabled(false);
        m_context.prompter.message(text::kNoVariablesDefined, core::MessageIcon::Stop,
                                   core::text::kProgramTitle);
    }
}

void ExpressionBuilder::insertIntoExpression(const QString& piece, const QString& placeholder) {
    m_expression->setFocus();
    const QString before = m_expression->toPlainText();
    QTextCursor caret = m_expression->textCursor();
    const core::Insertion<char16_t> insertion = core::InsertIntoExpression<char16_t>(
        Units(before), std::size_t(caret.selectionStart()), std::size_t(caret.selectionEnd()),
        Units(piece), Units(placeholder));

    QTextCursor edit(m_expression->document());
    edit.beginEditBlock();
    edit.setPosition(qsizetype(insertion.editStart));
    edit.setPosition(qsizetype(insertion.editStart + insertion.removed), QTextCursor::KeepAnchor);
    const std::u16string_view added =
        std::u16string_view(insertion.text).substr(insertion.editStart, insertion.added);
    // Plain, whatever the colour of the text beside it.
    edit.insertText(QString::fromUtf16(added.data(), qsizetype(added.size())), {});
    QTextCharFormat red;
    red.setForeground(kPlaceholderColour);
    for (const std::size_t start : insertion.highlights) {
        edit.setPosition(qsizetype(start));
        edit.setPosition(qsizetype(start) + placeholder.size(), QTextCursor::KeepAnchor);
        edit.mergeCharFormat(red);
    }
    edit.endEditBlock();

    caret.setPosition(qsizetype(insertion.caret));
    m_expression->setTextCursor(caret);
}

QString ExpressionBuilder::selectedName() const {
    const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return {};
    const int row = selected.first().row();
    return row >= 0 && std::size_t(row) < m_fullNames.size()
               ? FromBytes(m_fullNames[std::size_t(row)])
               : QString();
}

void ExpressionBuilder::insertVariable() {
    insertIntoExpression(selectedName());
}

void ExpressionBuilder::insertDoubleClicked() {
    insertIntoExpression(selectedName() + QLatin1Char(' '));
}

void ExpressionBuilder::copyToClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_expression->toPlainText());
}

void ExpressionBuilder::copySelectedName() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(selectedName());
}

bool ExpressionBuilder::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_expression && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        // A new line always starts after the last line.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            m_expression->moveCursor(QTextCursor::End);
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        const auto& press = *static_cast<const QMouseEvent*>(event);
        if (watched == m_expression->viewport())
            return expressionPressed(press);
        if (watched == m_list->viewport())
            return listPressed(press);
    }
    return QDialog::eventFilter(watched, event);
}

bool ExpressionBuilder::expressionPressed(const QMouseEvent& press) {
    const bool selected = m_expression->textCursor().hasSelection();
    m_copy->setEnabled(selected);
    m_cut->setEnabled(selected);
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    m_paste->setEnabled(clipboard != nullptr && clipboard->hasText());
    if (press.button() != Qt::RightButton)
        return false;
    // Taken here, so the press leaves the selection the items work on as it is.
    m_expressionMenu->popup(press.globalPosition().toPoint());
    return true;
}

bool ExpressionBuilder::listPressed(const QMouseEvent& press) {
    if (press.button() != Qt::RightButton)
        return false;
    if (!m_list->selectionModel()->selectedIndexes().isEmpty())
        m_listMenu->popup(press.globalPosition().toPoint());
    // The entry copied is the one selected, not the one under the mouse.
    return true;
}

} // namespace varscope::ui
