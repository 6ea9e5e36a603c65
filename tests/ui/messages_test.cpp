// Messages, questions and labels that show data: a file name or value holding "<", ">" or
// "&" reads exactly as it is, never as markup.
#include "ui/labels.hpp"
#include "ui/qt_prompter.hpp"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <string>

namespace ui = varscope::ui;

namespace {

enum class Surface { Message, Question, YesNoCancel, Input, PathLabel, PathToolTip };

// What the user reads from `text` shown in a label or tool tip that may take it as rich text.
QString Read(const QString& text, Qt::TextFormat format) {
    const bool rich =
        format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
    if (!rich)
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

// The one text label of the modal box that is open; the box is then closed.
class BoxReader final : public QObject {
public:
    BoxReader() {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &BoxReader::poll);
        m_timer.start();
    }
    const QStringList& shown() const { return m_shown; }

private:
    void poll() {
        auto* const box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        m_timer.stop();
        for (const QLabel* label : box->findChildren<QLabel*>()) {
            if (!label->text().isEmpty())
                m_shown << Read(label->text(), label->textFormat());
        }
        box->reject();
    }

    QTimer m_timer;
    QStringList m_shown;
};

} // namespace

class MessagesTest final : public QObject {
    Q_OBJECT

private slots:
    void show_dataWithMarkup_readsExactly_data() {
        QTest::addColumn<Surface>("surface");
        QTest::addColumn<QString>("text");
        const QString tag = QStringLiteral("File: <b>missing.cfg not found.");
        const QString entity = QStringLiteral("x&lt;y.cfg");
        const QString mixed = QStringLiteral("<i>a</i> & b > c");
        QTest::newRow("message, tag") << Surface::Message << tag;
        QTest::newRow("message, entity") << Surface::Message << entity;
        QTest::newRow("question") << Surface::Question << tag;
        QTest::newRow("yes/no/cancel") << Surface::YesNoCancel << mixed;
        QTest::newRow("input prompt") << Surface::Input << entity;
        QTest::newRow("path label") << Surface::PathLabel << tag;
        QTest::newRow("path tool tip, tag") << Surface::PathToolTip << tag;
        QTest::newRow("path tool tip, entity") << Surface::PathToolTip << entity;
        QTest::newRow("path tool tip, no markup")
            << Surface::PathToolTip << QStringLiteral("/home/a b/msdebug.txt");
    }
    void show_dataWithMarkup_readsExactly() {
        QFETCH(Surface, surface);
        QFETCH(QString, text);
        const std::string bytes = text.toStdString();
        ui::QtPrompter prompter;
        QStringList shown;
        if (surface == Surface::PathLabel || surface == Surface::PathToolTip) {
            ui::PathLabel label(20);
            label.setPath(text);
            shown << (surface == Surface::PathLabel ? Read(label.text(), label.textFormat())
                                                    : Read(label.toolTip(), Qt::AutoText));
        } else {
            BoxReader reader;
            switch (surface) {
            case Surface::Message:
                prompter.message(bytes, varscope::core::MessageIcon::Stop, "Varscope");
                break;
            case Surface::Question:
                prompter.ask(bytes, "Varscope");
                break;
            case Surface::YesNoCancel:
                prompter.askYesNoCancel(bytes, "Varscope");
                break;
            default:
                prompter.input(bytes, "Varscope", "initial");
                break;
            }
            shown = reader.shown();
        }
        QCOMPARE(shown, QStringList{text});
    }
};

QTEST_MAIN(MessagesTest)
#include "messages_test.moc"
