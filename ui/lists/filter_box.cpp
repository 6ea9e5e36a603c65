#include "filter_box.hpp"

#include "list_texts.hpp"
#include "ui/text_conversion.hpp"

#include <QKeyEvent>
#include <QTimer>

namespace varscope::ui {

namespace {

// Short enough that a 100,000-row list answers well within a tenth of a second of the last
// keystroke, long enough to let a typed word through in one go.
constexpr int kTypingPauseMs = 40;

} // namespace

FilterBox::FilterBox(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("filterEdit"));
    setPlaceholderText(FromBytes(text::kFilterPlaceholder));
    setToolTip(FromBytes(text::kFilterToolTip));
    setClearButtonEnabled(true);
    m_pause = new QTimer(this);
    m_pause->setSingleShot(true);
    m_pause->setInterval(kTypingPauseMs);
    connect(m_pause, &QTimer::timeout, this, &FilterBox::choose);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& now) {
        if (now.isEmpty())
            choose();
        else
            m_pause->start();
    });
}

void FilterBox::choose() {
    m_pause->stop();
    if (text() == m_chosen)
        return;
    m_chosen = text();
    emit filterChosen(m_chosen);
}

void FilterBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        // The first Escape empties the box, the next one leaves it.
        if (text().isEmpty())
            emit leaveRequested();
        else
            clear();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace varscope::ui
