// The expression builder: the pieces its buttons add and the red words, the list of names,
// the two pop-up menus, and a builder opened before any report was read.
#include "core/report/report.hpp"
#include "core/session.hpp"
#include "tests/support/fake_pickers.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "ui/builder/builder_texts.hpp"
#include "ui/builder/builder_window.hpp"
#include "ui/context.hpp"

#include <QAbstractItemModel>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include <memory>
#include <span>
#include <string>

using varscope::testing::FakePickers;
using varscope::testing::ScriptedPrompter;
namespace core = varscope::core;
namespace ui = varscope::ui;

namespace {

// MS_DEF at three levels and a longer name beginning with it; ms_def differs only in case.
constexpr std::string_view kReport = "Processing macro file [C:\\cfg\\site.cfg]\r\n"
                                     "(site): MS_DEF=a/\r\n"
                                     "(site): MS_DEFAULT=1\r\n"
                                     "Processing macro file [C:\\cfg\\user.ucf]\r\n"
                                     "(project): MS_DEF=b/\r\n"
                                     "(user): ms_def=c/\r\n"
                                     "(user): MS_DEF=d/\r\n"
                                     "(user): _USTN_USER=u/\r\n";

// The runs of red text, each as "position:text".
QStringList RedRuns(const QTextEdit* box) {
    QStringList runs;
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().foreground().color() == QColor(255, 0, 0))
                runs << QString::number(fragment.position()) + QLatin1Char(':') + fragment.text();
        }
    }
    return runs;
}

QString Clipboard() {
    return QGuiApplication::clipboard()->text();
}

} // namespace

class BuilderWindowTest final : public QObject {
    Q_OBJECT

private:
    core::AppState m_state;
    ScriptedPrompter m_prompter;
    FakePickers m_pickers;
    ui::Context m_context{m_state, m_prompter, m_pickers};
    std::unique_ptr<ui::ExpressionBuilder> m_builder;

    ui::ExpressionBuilder& open(QWidget* notice = nullptr) {
        m_builder = std::make_unique<ui::ExpressionBuilder>(m_context, nullptr, notice);
        m_builder->show();
        if (!QTest::qWaitForWindowExposed(m_builder.get()))
            qFatal("the builder was not shown");
        return *m_builder;
    }
    template <typename T> T* child(QStringView name) const {
        T* const found = m_builder->findChild<T*>(name.toString());
        if (found == nullptr)
            qFatal("no control %s", qPrintable(name.toString()));
        return found;
    }
    QTextEdit* box() const { return child<QTextEdit>(u"RichTextBox_expression"); }
    QListView* list() const { return child<QListView>(u"List_config"); }
    QStringList listed() const {
        QStringList names;
        const QAbstractItemModel* model = list()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->index(row, 0).data().toString();
        return names;
    }
    void click(QStringView button) const {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void select(const QString& name) const {
        const QModelIndexList found = list()->model()->match(
            list()->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        if (found.isEmpty())
            qFatal("no entry %s", qPrintable(name));
        list()->setCurrentIndex(found.first());
    }
    // The box's text with its caret and selection as given (-1: the end).
    void place(const QString& text, int start, int end) const {
        box()->setPlainText(text);
        QTextCursor cursor = box()->textCursor();
        cursor.setPosition(start < 0 ? int(text.size()) : start);
        cursor.setPosition(end < 0 ? int(text.size()) : end, QTextCursor::KeepAnchor);
        box()->setTextCursor(cursor);
    }
    void rightPress(QWidget* viewport) const {
        QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(5, 5));
    }

private slots:
    void init() {
        m_state = core::AppState();
        m_prompter.shown.clear();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup() { m_builder.reset(); }

    void button_addsItsPiece_redWordsAndCaret_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("red");
        QTest::addColumn<int>("caret");
        // clang-format off
        QTest::newRow("Basename on an empty box") << "Command_basename"
            << "" << -1 << -1 << " basename(fileName) " << QStringList{"10:fileName"} << 20;
        QTest::newRow("Filename: the capital N only") << "Command_filename"
            << "" << -1 << -1 << " filename(fileName) " << QStringList{"10:fileName"} << 20;
        QTest::newRow("AND at the caret, no colour") << "Command_and"
            << "%if A" << 4 << 4 << "%if && A" << QStringList{} << 7;
        QTest::newRow("end if with no trailing blank") << "Command_endIf"
            << "%if A" << -1 << -1 << "%if A %endif" << QStringList{} << 12;
        QTest::newRow("error: the quoted word") << "Command_error"
            << "%if A" << -1 << -1 << "%if A %error \"Message\" " << QStringList{"14:Message"}
            << 23;
        QTest::newRow("Clear empties the box") << "Command_clear"
            << "%if A" << 2 << 2 << "" << QStringList{} << 0;
        // clang-format on
    }

    void button_addsItsPiece_redWordsAndCaret() {
        QFETCH(QString, button);
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, expected);
        QFETCH(QStringList, red);
        QFETCH(int, caret);
        core::ApplyReport(m_state, core::ParseReport(std::string(kReport)));
        open();
        place(text, start, end);

        click(button);

        QCOMPARE(box()->toPlainText(), expected);
        QCOMPARE(RedRuns(box()), red);
        QCOMPARE(box()->textCursor().position(), caret);
        QVERIFY(!box()->textCursor().hasSelection());
    }

    void everyButton_appendsItsPiece_captionNotClipped() {
        core::ApplyReport(m_state, core::ParseReport(std::string(kReport)));
        open();
        for (const auto& buttons :
             {std::span<const ui::text::BuilderButton>(ui::text::kDirectiveButtons),
              std::span<const ui::text::BuilderButton>(ui::text::kFunctionButtons)}) {
            for (const ui::text::BuilderButton& entry : buttons) {
                const QString name = QString::fromLatin1(entry.name);
                auto* button = child<QPushButton>(name);
                QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(name));
                box()->clear();
                click(name);
                QCOMPARE(box()->toPlainText(),
                         QLatin1Char(' ') + QString::fromLatin1(entry.piece.text));
            }
        }
    }

    void listEntry_insertedAtTheCaretOrAppended_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Insert Variable replaces a selection")
            << false << "%if OLD == 1" << 4 << 7 << "%if MS_DEFAULT == 1";
        QTest::newRow("Insert Variable at the end")
            << false << "%if" << -1 << -1 << "%if MS_DEFAULT";
        QTest::newRow("a double-click adds a blank after the name")
            << true << "%if" << -1 << -1 << "%if MS_DEFAULT ";
    }

    void listEntry_insertedAtTheCaretOrAppended() {
        QFETCH(bool, doubleClick);
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, expected);
        core::ApplyReport(m_state, core::ParseReport(std::string(kReport)));
        open();
        select(QStringLiteral("MS_DEFAULT"));
        place(text, start, end);

        if (doubleClick) {
            const QRect entry = list()->visualRect(list()->currentIndex());
            // A view takes a double-click only on the entry its last press hit.
            QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, entry.center());
            QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, entry.center());
        } else {
            click(u"Command_insert");
        }

        QCOMPARE(box()->toPlainText(), expected);
        QCOMPARE(RedRuns(box()), QStringList());
    }

    void names_sortedCaseOrderEachOnce_noticeClosed() {
        core::ApplyReport(m_state, core::ParseReport(std::string(kReport)));
        auto* notice = new QWidget;
        notice->setAttribute(Qt::WA_DeleteOnClose);
        notice->show();
        QPointer<QWidget> watched = notice;

        open(notice);

        QCOMPARE(listed(), (QStringList{"MS_DEF", "MS_DEFAULT", "_USTN_USER", "ms_def"}));
        QTRY_VERIFY(watched.isNull());
        QVERIFY(list()->isEnabled());
        QVERIFY(m_prompter.shown.empty());
    }

    void noReport_saysNoVariablesDefined_directivesStillWork() {
        auto* notice = new QWidget;
        notice->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<QWidget> watched = notice;

        open(notice);

        QCOMPARE(m_prompter.shown.size(), std::size_t(1));
        QCOMPARE(m_prompter.shown[0].text, "No Variables Defined");
        QCOMPARE(m_prompter.shown[0].title, "Varscope");
        QCOMPARE(m_prompter.shown[0].icon, core::MessageIcon::Stop);
        QTRY_VERIFY(watched.isNull());
        QVERIFY(!list()->isEnabled());
        QVERIFY(!child<QPushButton>(u"Command_insert")->isEnabled());
        click(u"Command_if");
        QCOMPARE(box()->toPlainText(), QStringLiteral(" %if "));
    }

    void enter_inTheMiddle_startsTheLineAfterTheLast() {
        open();
        place(QStringLiteral("%if A\n%endif"), 2, 2);

        QTest::keyClick(box(), Qt::Key_Return);
        QTest::keyClicks(box(), QStringLiteral("x"));

        QCOMPARE(box()->toPlainText(), QStringLiteral("%if A\n%endif\nx"));
    }

    void expressionMenu_statesFollowSelectionAndClipboard_itemsEditTheBox() {
        core::ApplyReport(m_state, core::ParseReport(std::string(kReport)));
        open();
        auto* menu = child<QMenu>(u"mPop");
        auto* copy = child<QAction>(u"pCopy");
        auto* cut = child<QAction>(u"pCut");
        auto* paste = child<QAction>(u"pPaste");
        QVERIFY(!copy->isEnabled());
        QVERIFY(!paste->isEnabled());

        // Nothing selected, nothing on the clipboard.
        place(QStringLiteral("%if A"), 1, 1);
        rightPress(box()->viewport());
        QVERIFY(menu->isVisible());
        QVERIFY(!copy->isEnabled() && !cut->isEnabled() && !paste->isEnabled());
        menu->close();

        // "if" selected: the press keeps the selection for the items.
        place(QStringLiteral("%if A"), 1, 3);
        rightPress(box()->viewport());
        QVERIFY(copy->isEnabled() && cut->isEnabled());
        QCOMPARE(box()->textCursor().selectedText(), QStringLiteral("if"));
        copy->trigger();
        QCOMPARE(Clipboard(), QStringLiteral("if"));
        cut->trigger();
        QCOMPARE(box()->toPlainText(), QStringLiteral("% A"));
        menu->close();

        rightPress(box()->viewport());
        QVERIFY(paste->isEnabled());
        paste->trigger();
        QCOMPARE(box()->toPlainText(), QStringLiteral("%if A"));
        menu->close();

        // A left press sets the states but shows no menu.
        QTest::mousePress(box()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!menu->isVisible());
    }

    void listMenu_onlyWithASelection_copiesTheName_copyToClipboardTakesAll() {
        core::ApplyReport(m_state, core::ParseReport(std::string(kReport)));
        open();
        auto* menu = child<QMenu>(u"ListPop");
        rightPress(list()->viewport());
        QVERIFY(!menu->isVisible());

        select(QStringLiteral("ms_def"));
        rightPress(list()->viewport());
        QVERIFY(menu->isVisible());
        child<QAction>(u"lpCopy")->trigger();
        menu->close();
        QCOMPARE(Clipboard(), QStringLiteral("ms_def"));

        place(QStringLiteral("%if A\n%endif"), 0, 0);
        click(u"Command_copy");
        QCOMPARE(Clipboard(), QStringLiteral("%if A\n%endif"));
    }
};

QTEST_MAIN(BuilderWindowTest)
#include "builder_window_test.moc"
