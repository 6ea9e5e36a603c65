#pragma once

#include <QHash>
#include <QWidget>

#include <string>
#include <string_view>

class QLabel;
class QLineEdit;
class QTextBrowser;

namespace varscope::core {
struct AppState;
}

namespace varscope::ui {

inline constexpr std::string_view kCompiledHelpFile = "vsc.chm";

// "hh " + folder + "/vsc.chm": the folder unquoted, even with blanks, as the viewer expects.
std::string CompiledHelpCommandLine(std::string_view programFolder);

// Whether help opens in the system's HTML Help viewer: only where there is one and the
// compiled help lies in the program folder. Everywhere else our own help window shows the
// help that ships inside the program.
bool UseCompiledHelp(const core::AppState& state);

// The help that ships inside the program, in a window of its own.
class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the contents page and brings the window to the front.
    void showContents();
    QTextBrowser* browser() const { return m_browser; }

    // Selects the next place that holds the search box's text (letter case aside): on this
    // page after the selection, then on the following pages of the help, round to this one.
    // Says so beside the box when no page holds it.
    void findNext();

private:
    const QString& pageText(const QString& page);

    QTextBrowser* m_browser = nullptr;
    QLineEdit* m_search = nullptr;
    QLabel* m_searchStatus = nullptr;
    QHash<QString, QString> m_pageTexts; // each page's plain text, read once it is searched
};

} // namespace varscope::ui
