#include "labels.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>

namespace varscope::ui {

QString PlainToolTip(const QString& text) {
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text;
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

PathLabel::PathLabel(int shortestChars, QWidget* parent)
    : QLabel(parent), m_shortestChars(shortestChars) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void PathLabel::setPath(const QString& path) {
    setText(path);
    setToolTip(PlainToolTip(path));
}

QString PathLabel::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width() - 2 * margin());
}

QSize PathLabel::sizeHint() const {
    const QMargins frame = contentsMargins();
    return {fontMetrics().averageCharWidth() * m_shortestChars + 2 * margin() + frame.left() +
                frame.right(),
            QLabel::sizeHint().height()};
}

QSize PathLabel::minimumSizeHint() const {
    return sizeHint();
}

void PathLabel::paintEvent(QPaintEvent* event) {
    const QString shown = shownText();
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawText(contentsRect().adjusted(margin(), 0, -margin(), 0),
                     int(alignment()) | Qt::TextSingleLine, shown);
}

} // namespace varscope::ui
