// The notice shown before the expression builder opens.
#include "main_window_support.hpp"

#include "ui/builder/builder_notice.hpp"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <chrono>

using varscope::testing::FixtureReport;
using varscope::testing::MainWindowHarness;
using varscope::testing::PaintCounter;
namespace ui = varscope::ui;

class BuilderNoticeTest final : public QObject {
    Q_OBJECT

private slots:
    void builderNotice_untitledLabelCentred_waitsOneSecondHandlingEvents() {
        MainWindowHarness h;
        h.window->startUp(FixtureReport());
        QVERIFY(h.showAndWait());
        // A clock that moves 250 ms each time it is read.
        using Clock = std::chrono::steady_clock;
        Clock::time_point now{};
        int reads = 0;
        const ui::SteadyClock clock = [&] {
            ++reads;
            now += std::chrono::milliseconds(250);
            return now;
        };
        bool eventHandled = false;
        QTimer::singleShot(0, this, [&] { eventHandled = true; });
        int paintsDuringWait = 0;
        QPointer<QWidget> seen;
        QTimer::singleShot(0, this, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QStringLiteral("frmNotice") && top->isVisible()) {
                    seen = top;
                    auto* counter = new PaintCounter(top);
                    top->update();
                    QTimer::singleShot(0, top, [&, counter] { paintsDuringWait = counter->count; });
                }
            }
        });

        QPointer<ui::BuilderNotice> notice = ui::ShowBuilderNotice(h.window.get(), clock);

        // Read at the start and after each round until a whole second has passed: it stops at
        // the fourth round, exactly 1000 ms after the start.
        QCOMPARE(reads, 5);
        QVERIFY(eventHandled);
        QVERIFY(notice != nullptr);
        QCOMPARE(seen.data(), static_cast<QWidget*>(notice.data()));
        QVERIFY(paintsDuringWait > 0);
        QVERIFY(notice->isVisible());
        QVERIFY(!notice->isModal());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(notice->windowTitle().isEmpty());
        QVERIFY(notice->windowFlags().testFlag(Qt::Tool)); // no task bar entry
        QVERIFY(notice->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(notice->parentWidget(), h.window.get());

        auto* label = notice->findChild<QLabel*>(QStringLiteral("Label1"));
        QVERIFY(label != nullptr);
        QCOMPARE(label->text(), QStringLiteral("Building Variable List . . ."));
        QVERIFY(label->font().bold());
        QVERIFY(label->width() >= label->sizeHint().width());
        QVERIFY(notice->rect().contains(label->geometry()));
        const double scale = notice->logicalDpiX() / 96.0;
        QVERIFY(notice->width() >= int(216 * scale + 0.5));
        QVERIFY(notice->height() >= int(47 * scale + 0.5));
        // Not much larger than designed either: a label of a common font fits.
        QVERIFY(notice->width() < int(216 * scale * 1.5));
        const QPoint offset = notice->geometry().center() - h.window->frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));

        // Whoever built the list closes it, and it is gone.
        notice->close();
        QTRY_VERIFY(notice.isNull());
    }

    void builderNotice_ownerNotShown_centredOnTheScreen() {
        QWidget owner;
        ui::BuilderNotice notice(&owner);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint offset = notice.geometry().center() - screen.center();
        QVERIFY(offset.manhattanLength() <= 2);
    }
};

QTEST_MAIN(BuilderNoticeTest)
#include "builder_notice_test.moc"
