#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace varscope::ui {

// The hourglass over every window for as long as it lives, however the work ends.
class BusyPointer final {
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace varscope::ui
