#pragma once

#include <QLineEdit>

class QTimer;

namespace varscope::ui {

// The box above All Variables: what is typed narrows the list. The list follows a moment
// after the last keystroke, so typing a word filters once, not once per letter.
class FilterBox final : public QLineEdit {
    Q_OBJECT
public:
    explicit FilterBox(QWidget* parent = nullptr);

signals:
    // The text to filter by, once typing has paused; at once when cleared.
    void filterChosen(const QString& text);
    // Escape in an empty box: the focus goes back to the list.
    void leaveRequested();

protected:
    // Escape clears the box.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose();

    QTimer* m_pause = nullptr;
    QString m_chosen;
};

} // namespace varscope::ui
