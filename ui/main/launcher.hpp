#pragma once

#include <QObject>
#include <QPointer>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QDialog;

namespace varscope::ui {

class EditorDialog;
class HelpWindow;
class MainWindow;

// The one place that opens a window from a menu. A window opens fresh each time, modal over
// the main window, and goes when it closes; until then it is kept here so that quitting can
// close it. A window of the program is an entry in `Window` and one line in the constructor.
class Launcher final : public QObject {
    Q_OBJECT
public:
    // The windows, in the order quitting closes them.
    enum class Window {
        Editor,
        About,
        MicroStation,
        CategoryManager,
        Builder,
        Output,
        Compare,
        Count
    };

    explicit Launcher(MainWindow& window);
    ~Launcher() override;

    // A fresh window, modal over the main window; returns once it has closed.
    void open(Window which);
    // The window without waiting for it: the one open already, else a fresh one, not modal.
    QDialog* show(Window which);
    // The window while it is open, or null.
    QDialog* window(Window which) const;
    EditorDialog* editorDialog() const;
    // Closes the windows that are open, in the order of `Window`.
    void closeWindows();

    // F1 and Help > "Contents": the system's help viewer when it has one and the compiled help
    // is there, else our own help window. That is a window of its own, not kept above the
    // main window; one is made and shown again each time, and it closes with the main
    // window.
    void openHelp();
    HelpWindow* helpWindow() const { return m_helpWindow.get(); }
    void closeHelp();
    // View > "Compare With...": picks a second report and shows the report on screen compared
    // with it, beside the main window, not modal. A comparison open already makes way once a
    // report is picked.
    void compareWith();

private:
    // Makes the window, or null when the user stopped it from being made.
    using Factory = std::function<QDialog*()>;

    // `item` opens a `Dialog` as the window `which`.
    template <typename Dialog> void add(QAction* item, Window which);
    // `item` opens what `factory` makes as the window `which`.
    void add(QAction* item, Window which, Factory factory);
    // One window of a kind at a time: one open already makes way, its choices are in the
    // shared state. Null when the factory made none (the user stopped it).
    QDialog* create(Window which);

    static std::size_t Slot(Window which) { return std::size_t(which); }

    MainWindow& m_window;
    std::array<Factory, std::size_t(Window::Count)> m_factories;
    std::array<QPointer<QDialog>, std::size_t(Window::Count)> m_open;
    std::unique_ptr<HelpWindow> m_helpWindow;
    // The report the next comparison reads, as picked.
    std::string m_comparedReport;
};

} // namespace varscope::ui
