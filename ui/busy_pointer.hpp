#pragma once

#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

namespace varscope::ui {

// The hourglass for as long as it lives, however the work ends: over every window, or over
// one window only, so that a message box or a Cancel button shown meanwhile keeps the arrow.
class BusyPointer final {
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    explicit BusyPointer(QWidget& window) : m_overOne(true), m_window(&window) {
        window.setCursor(Qt::WaitCursor);
    }
    ~BusyPointer() {
        if (!m_overOne)
            QGuiApplication::restoreOverrideCursor();
        else if (m_window != nullptr)
            m_window->unsetCursor();
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    const bool m_overOne = false;
    const QPointer<QWidget> m_window;
};

} // namespace varscope::ui
