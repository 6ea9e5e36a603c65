#include "program_wait.hpp"

#include <QCoreApplication>
#include <QEvent>

namespace varscope::ui {

ProgramWait::ProgramWait() {
    QCoreApplication::instance()->installEventFilter(this);
}

ProgramWait::~ProgramWait() {
    if (QCoreApplication* const app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

std::function<void()> ProgramWait::whileWaiting() {
    return [this] {
        processPendingEvents();
    };
}

void ProgramWait::processPendingEvents() {
    // All events, input included, so input is taken off the queue and dropped here rather
    // than acted upon after the program has ended.
    m_waiting = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_waiting = false;
}

bool ProgramWait::IsInput(const QEvent& event) {
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    // The user's close button; a window our own code closes meanwhile still closes.
    case QEvent::Close:
        return event.spontaneous();
    default:
        return false;
    }
}

bool ProgramWait::eventFilter(QObject* watched, QEvent* event) {
    // Dropped where it reaches a widget (or, for a shortcut, its action), not where the
    // window system hands it to a window: the window must still see a button released, or
    // it would keep the pointer grabbed for the widget that had the press.
    if (m_waiting && event != nullptr && IsInput(*event) &&
        (watched->isWidgetType() || event->type() == QEvent::Shortcut)) {
        // A window that is not closed must say so, or its window system closes it anyway.
        event->ignore();
        ++m_dropped;
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace varscope::ui
