#pragma once

#include "ui/context.hpp"

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <string>
#include <vector>

class QAction;
class QListView;
class QMenu;
class QMouseEvent;
class QPushButton;
class QStringListModel;
class QTextEdit;

namespace varscope::ui {

namespace text {
struct BuilderButton;
}

// "Expression Builder": buttons add ready-made pieces of configuration text to an editable
// box, their placeholder words in red; a list offers the names the report defines. The
// result leaves through the clipboard; nothing is kept when it closes.
class ExpressionBuilder final : public QDialog {
    Q_OBJECT
public:
    // Lists the names of the report read last, then closes `notice` (when there is one).
    ExpressionBuilder(Context& context, QWidget* parent = nullptr, QWidget* notice = nullptr);
    ~ExpressionBuilder() override;

private:
    void buildControls();
    // A button that adds its piece.
    QPushButton* newPieceButton(const text::BuilderButton& entry, QWidget* group);
    void load(QWidget* notice);

    // Adds `piece`: at the caret, or after a blank at the end with `placeholder` in red.
    void insertIntoExpression(const QString& piece, const QString& placeholder = {});
    void insertVariable();
    void insertDoubleClicked();
    void copyToClipboard();
    void copySelectedName();
    QString selectedName() const;

    bool eventFilter(QObject* watched, QEvent* event) override;
    bool expressionPressed(const QMouseEvent& press);
    bool listPressed(const QMouseEvent& press);

    Context& m_context;
    QTextEdit* m_expression = nullptr;
    QListView* m_list = nullptr;
    QStringListModel* m_names = nullptr;
    // The names whole, row for row: the list shows them cut when they are very long.
    std::vector<std::string> m_fullNames;
    QPushButton* m_insert = nullptr;
    QMenu* m_expressionMenu = nullptr;
    QAction* m_copy = nullptr;
    QAction* m_paste = nullptr;
    QAction* m_cut = nullptr;
    QMenu* m_listMenu = nullptr;
};

} // namespace varscope::ui
