#pragma once

#include "core/system/platform/platform.hpp"

#include <QObject>
#include <QPointer>

#include <functional>

class QAbstractButton;

namespace varscope::ui {

// While a program started from a window runs, the windows keep repainting but take no
// input (but for a Stop Waiting button): clicks, keys, shortcuts and close requests that arrive
// meanwhile are dropped, not kept for afterwards, so nothing the user did on the waiting window
// happens once the program has ended. Lives for one program run.
class ProgramWait final : public QObject {
    Q_OBJECT
public:
    ProgramWait();
    ~ProgramWait() override;
    ProgramWait(const ProgramWait&) = delete;
    ProgramWait& operator=(const ProgramWait&) = delete;

    // For RunProgram and the operations that call it: handles pending events once.
    std::function<void()> whileWaiting();

    enum class Ending { Ended, StoppedWaiting };
    // Waits for `program` to end while the windows keep handling events; `stop`, the one
    // control that takes input meanwhile, ends the wait early and the program runs on.
    Ending waitFor(core::platform::StartedProgram& program, QAbstractButton& stop);

    // Input events dropped so far.
    int droppedInput() const { return m_dropped; }

    // Whether `event` is user input (or the user's request to close a window) that a
    // waiting window must not act upon.
    static bool IsInput(const QEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void processPendingEvents();
    bool isAllowed(QObject* watched) const;

    // Input is dropped only inside our own event processing: the questions asked before the
    // program starts must still take their answers.
    bool m_waiting = false;
    int m_dropped = 0;
    // Takes input while waiting.
    QPointer<QAbstractButton> m_allowed;
};

// A program nobody waits for any more is asked now and then whether it has ended, so that
// its exit is collected; the asking ends with it, or with the application.
void LetRunOn(core::platform::StartedProgram program);

} // namespace varscope::ui
