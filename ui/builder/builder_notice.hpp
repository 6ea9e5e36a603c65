#pragma once

#include <QFrame>

#include <chrono>
#include <functional>

namespace varscope::ui {

// "Building Variable List . . .": the small window shown while the expression builder fills
// its list of names. No title, no task bar entry; whoever fills the list closes it, which
// deletes it.
class BuilderNotice final : public QFrame {
    Q_OBJECT
public:
    // A window of its own, kept above `owner` and centred over it (over the screen when
    // `owner` is not shown). Closing it deletes it.
    explicit BuilderNotice(QWidget* owner);

    void centreOver(const QWidget* owner);
};

using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

// Handles every pending event, over and over, until `duration` has passed on `now`.
void WaitProcessingEvents(std::chrono::milliseconds duration,
                          const SteadyClock& now = std::chrono::steady_clock::now);

// The first steps of "Expression Builder": shows the notice without blocking, then waits one
// second processing events so that it is drawn (the window takes clicks meanwhile). Returns
// the notice for the builder to close.
BuilderNotice* ShowBuilderNotice(QWidget* owner,
                                 const SteadyClock& now = std::chrono::steady_clock::now);

} // namespace varscope::ui
