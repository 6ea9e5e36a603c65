#pragma once

#include <QLabel>

namespace varscope::ui {

// A tool tip that shows `text` exactly: tool tips guess rich text from the first tag, and a
// value or path may hold one.
QString PlainToolTip(const QString& text);

// A label that acts like a button: a left click on it, or Space or Enter while it has the
// focus, emits clicked(). Whether it takes the focus is the owner's choice.
class ClickableLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// A file or folder path: the whole of it while it fits, else shortened in the middle so the
// last folder stays in sight; whole in the tool tip and in text(). It asks for room for
// `shortestChars` characters only, so a deep path never widens its window.
class PathLabel final : public QLabel {
    Q_OBJECT
public:
    explicit PathLabel(int shortestChars, QWidget* parent = nullptr);

    void setPath(const QString& path);
    // The text as drawn: the path, or its shortened form.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_shortestChars;
};

} // namespace varscope::ui
