#include "program_wait.hpp"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace varscope::ui {

namespace {

// Often enough that the window follows MicroStation's end at once, seldom enough to cost
// nothing.
constexpr int kPollIntervalMs = 100;
// A program let run on is looked at less often.
constexpr int kRunOnIntervalMs = 1000;

class ProgramReaper final : public QObject {
public:
    explicit ProgramReaper(core::platform::StartedProgram program)
        : QObject(QCoreApplication::instance()), m_program(std::move(program)) {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_program.hasEnded())
                deleteLater();
        });
        m_timer.start(kRunOnIntervalMs);
    }

private:
    core::platform::StartedProgram m_program;
    QTimer m_timer;
};

} // namespace

void LetRunOn(core::platform::StartedProgram program) {
    if (!program.hasEnded() && QCoreApplication::instance() != nullptr)
        new ProgramReaper(std::move(program));
}

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

ProgramWait::Ending ProgramWait::waitFor(core::platform::StartedProgram& program,
                                         QAbstractButton& stop) {
    if (program.hasEnded())
        return Ending::Ended;
    QEventLoop loop;
    Ending ending = Ending::Ended;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&program, &loop] {
        if (program.hasEnded())
            loop.quit();
    });
    const QMetaObject::Connection stopped =
        connect(&stop, &QAbstractButton::clicked, &loop, [&ending, &loop] {
            ending = Ending::StoppedWaiting;
            loop.quit();
        });
    poll.start(kPollIntervalMs);
    m_allowed = &stop;
    m_waiting = true;
    loop.exec();
    m_waiting = false;
    m_allowed = nullptr;
    disconnect(stopped);
    return ending;
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

bool ProgramWait::isAllowed(QObject* watched) const {
    if (m_allowed == nullptr || !watched->isWidgetType())
        return false;
    auto* const widget = static_cast<QWidget*>(watched);
    return widget == m_allowed || m_allowed->isAncestorOf(widget);
}

bool ProgramWait::eventFilter(QObject* watched, QEvent* event) {
    // Dropped where it reaches a widget (or, for a shortcut, its action), not where the
    // window system hands it to a window: the window must still see a button released, or
    // it would keep the pointer grabbed for the widget that had the press.
    if (m_waiting && event != nullptr && IsInput(*event) &&
        (watched->isWidgetType() || event->type() == QEvent::Shortcut) && !isAllowed(watched)) {
        // A window that is not closed must say so, or its window system closes it anyway.
        event->ignore();
        ++m_dropped;
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace varscope::ui
