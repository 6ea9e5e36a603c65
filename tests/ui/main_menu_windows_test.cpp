// The windows the main window opens from its menus, and "&Quit".
#include "main_window_support.hpp"

#include "ui/dialogs/about_dialog.hpp"
#include "ui/dialogs/editor_dialog.hpp"
#include "ui/main/launcher.hpp"
#include "ui/main/main_texts.hpp"
#include "ui/main/view_interaction.hpp"
#include "ui/microstation/microstation_dialog.hpp"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <functional>

using varscope::testing::FixtureReport;
using varscope::testing::MainWindowHarness;
namespace ui = varscope::ui;

namespace {

// What a modal window looked like while it was open.
struct SeenModal {
    QString name;
    bool modal = false;
    QWidget* parent = nullptr;
    QPointer<QWidget> window;
};

// Triggers `action` and, once its window is up, notes it and runs `whileOpen` (by default,
// closing it). Polled: a window may come only after a wait that handles events.
SeenModal TriggerModal(QAction* action, const std::function<void(QWidget*)>& whileOpen = {}) {
    SeenModal seen;
    QWidget* const before = QApplication::activeModalWidget();
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, action, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == before)
            return;
        poll.stop();
        seen = {modal->objectName(), modal->isModal(), modal->parentWidget(), modal};
        if (whileOpen)
            whileOpen(modal);
        else
            modal->close();
    });
    poll.start();
    action->trigger();
    return seen;
}

// Notes the windows that are told to close, in order.
class CloseRecorder final : public QObject {
public:
    CloseRecorder() { QCoreApplication::instance()->installEventFilter(this); }
    ~CloseRecorder() override { QCoreApplication::instance()->removeEventFilter(this); }
    QStringList closed;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow())
            closed << watched->objectName();
        return QObject::eventFilter(watched, event);
    }
};

// Notes the windows that are shown, in order.
class ShowRecorder final : public QObject {
public:
    ShowRecorder() { QCoreApplication::instance()->installEventFilter(this); }
    ~ShowRecorder() override { QCoreApplication::instance()->removeEventFilter(this); }
    QStringList shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow())
            shown << watched->objectName();
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class MainMenuWindowsTest final : public QObject {
    Q_OBJECT

private slots:
    void menus_everyWindowItemEnabled() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        const ui::MainWindow::Actions& actions = h.window->actions();
        for (QAction* ready :
             {actions.editingOptions, actions.microStation, actions.categoryManager, actions.about,
              actions.expressionBuilder, actions.report, actions.refresh, actions.contents,
              actions.exportView})
            QVERIFY2(ready->isEnabled(), qPrintable(ready->objectName()));
    }

    void menuItems_openTheirWindowModalOverTheMainWindow_freshEachTime_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        QTest::newRow("Editing Options")
            << QStringLiteral("defineEditor") << QStringLiteral("Editor");
        QTest::newRow("MicroStation")
            << QStringLiteral("defineMicroStation") << QStringLiteral("microstation");
        QTest::newRow("About") << QStringLiteral("about") << QStringLiteral("frmAbout");
        QTest::newRow("Category Manager")
            << QStringLiteral("defineCategory") << QStringLiteral("Category");
        QTest::newRow("Expression Builder")
            << QStringLiteral("expBuild") << QStringLiteral("Builder");
        QTest::newRow("Output View to Text File")
            << QStringLiteral("pMnuOutput") << QStringLiteral("outOpts");
    }

    void menuItems_openTheirWindowModalOverTheMainWindow_freshEachTime() {
        QFETCH(QString, item);
        QFETCH(QString, window);
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        auto* action = h.window->findChild<QAction*>(item);
        QVERIFY(action != nullptr);

        const SeenModal first = TriggerModal(action);
        QCOMPARE(first.name, window);
        QVERIFY(first.modal);
        QCOMPARE(first.parent, h.window.get());
        // Closed means gone: the next opening starts afresh.
        QVERIFY(first.window.isNull());

        const SeenModal second = TriggerModal(action);
        QCOMPARE(second.name, window);
        QVERIFY(second.window.isNull());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void categoryManager_closeButtonOnly_rebuildsTheCategoryTree() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        int requests = 0;
        connect(&h.window->categoryTree(), &ui::CategoryTreePage::rebuilt, this,
                [&] { ++requests; });
        for (const char* button : {"Command_Cancel", "Command_Close"}) {
            TriggerModal(h.window->actions().categoryManager, [&](QWidget* manager) {
                QTest::mouseClick(manager->findChild<QPushButton*>(QString::fromLatin1(button)),
                                  Qt::LeftButton);
            });
        }
        QCOMPARE(requests, 1);
    }

    void expressionBuilder_afterTheNotice_whichIsGoneOnceTheListIsBuilt() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        QAction* item = h.window->actions().expressionBuilder;
        // A second click while the notice waits.
        QTimer::singleShot(0, item, [item] { item->trigger(); });
        ShowRecorder recorder;
        bool noticeOpen = true;
        int listed = 0;

        TriggerModal(item, [&](QWidget* builder) {
            noticeOpen = false;
            for (const QWidget* top : QApplication::topLevelWidgets())
                noticeOpen |= top->objectName() == QStringLiteral("frmNotice") && top->isVisible();
            listed = builder->findChild<QAbstractItemView*>(QStringLiteral("List_config"))
                         ->model()
                         ->rowCount();
            builder->close();
        });

        QCOMPARE(recorder.shown.filter(QRegularExpression(QStringLiteral("^(frmNotice|Builder)$"))),
                 (QStringList{QStringLiteral("frmNotice"), QStringLiteral("Builder")}));
        QVERIFY(!noticeOpen);
        QVERIFY(listed > 0);
        QVERIFY(h.prompter.shown.empty());
    }

    void microStation_eachOpeningReadsTheStateAgain() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QString shown;
        const auto readFolder = [&](QWidget* dialog) {
            shown = dialog->findChild<QLabel*>(QStringLiteral("Label_MicroStation"))->text();
            dialog->close();
        };
        h.state.preferences.MicroStationFolder = h.path(QStringLiteral("first")).toStdString();
        TriggerModal(h.window->actions().microStation, readFolder);
        QVERIFY(shown.contains(QStringLiteral("first")));

        h.state.preferences.MicroStationFolder = h.path(QStringLiteral("second")).toStdString();
        TriggerModal(h.window->actions().microStation, readFolder);
        QVERIFY(shown.contains(QStringLiteral("second")));
    }

    void editingOptions_replacesTheDialogOfferedByADoubleClick() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        QVERIFY(h.state.preferences.EditorPath.empty());
        // Nothing selected: the double-click only offers the dialog.
        h.window->interaction().allVariablesDoubleClicked();
        QPointer<ui::EditorDialog> offered = h.window->launcher().editorDialog();
        QVERIFY(offered != nullptr && offered->isVisible() && !offered->isModal());

        int editorDialogsOpen = -1;
        const SeenModal seen =
            TriggerModal(h.window->actions().editingOptions, [&](QWidget* modal) {
                editorDialogsOpen = 0;
                for (const ui::EditorDialog* dialog : h.window->findChildren<ui::EditorDialog*>())
                    editorDialogsOpen += dialog->isVisible() ? 1 : 0;
                modal->close();
            });

        QCOMPARE(seen.name, QStringLiteral("Editor"));
        QVERIFY(seen.modal);
        QCOMPARE(editorDialogsOpen, 1);
        QTRY_VERIFY(offered.isNull());
    }

    void quitButton_closesTheOfferedEditorDialogThenTheWindow_preferencesWrittenOnce() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        h.window->interaction().allVariablesDoubleClicked();
        QVERIFY(h.window->launcher().editorDialog() != nullptr);
        const QString ini = h.path(QStringLiteral("Dbgscope.Ini"));
        CloseRecorder recorder;

        QTest::mouseClick(h.find<QPushButton>("Command2"), Qt::LeftButton);

        QCOMPARE(recorder.closed,
                 (QStringList{QStringLiteral("Editor"), QStringLiteral("frmMain")}));
        QVERIFY(!h.window->isVisible());
        QVERIFY(varscope::testing::ReadAll(ini).contains("microstation="));
    }

    void quit_closesEditorAboutMicroStationInThatOrder_thenTheWindow() {
        MainWindowHarness h;
        // Unwritable preferences say so once, however many windows close.
        h.state.preferences.ProgramFolder = h.path(QStringLiteral("missing/folder")).toStdString();
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        h.prompter.shown.clear();
        h.window->interaction().allVariablesDoubleClicked();
        CloseRecorder recorder;
        const ui::MainWindow::Actions& actions = h.window->actions();

        // The MicroStation dialog, and over it the About box, are open when "Quit" comes.
        TriggerModal(actions.microStation, [&](QWidget*) {
            TriggerModal(actions.about, [&](QWidget*) { h.window->quit(); });
        });

        QCOMPARE(recorder.closed,
                 (QStringList{QStringLiteral("Editor"), QStringLiteral("frmAbout"),
                              QStringLiteral("microstation"), QStringLiteral("frmMain")}));
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.prompter.shown.size(), std::size_t(1));
        QVERIFY(h.prompter.shown[0].text.starts_with(ui::text::kPreferencesNotSaved));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

QTEST_MAIN(MainMenuWindowsTest)
#include "main_menu_windows_test.moc"
