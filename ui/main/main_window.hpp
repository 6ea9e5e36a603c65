#pragma once

#include "ui/context.hpp"

#include <QMainWindow>

class QTabWidget;
class QLabel;

namespace varscope::ui {

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Context& context, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: preferences, the report from the MicroStation folder (or `reportPath`).
    void startUp(const QString& reportPath = {});

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refreshFromState();

    Context& m_context;
    QTabWidget* m_tabs = nullptr;
    QLabel* m_status = nullptr;
    int m_subscription = 0;
};

} // namespace varscope::ui
