// The About box: its texts, the version, the support link and OK.
#include "core/session.hpp"
#include "core/version.hpp"
#include "tests/support/fake_pickers.hpp"
#include "tests/support/scripted_prompter.hpp"
#include "ui/context.hpp"
#include "ui/dialogs/about_dialog.hpp"
#include "ui/program_icon.hpp"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTextDocument>
#include <QUrl>

#include <memory>

using varscope::testing::FakePickers;
using varscope::testing::ScriptedPrompter;
namespace core = varscope::core;
namespace ui = varscope::ui;

namespace {

QString PlainText(const QLabel* label) {
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

} // namespace

class AboutDialogTest final : public QObject {
    Q_OBJECT

private:
    core::AppState m_state;
    ScriptedPrompter m_prompter;
    FakePickers m_pickers;
    ui::Context m_context{m_state, m_prompter, m_pickers};
    std::unique_ptr<ui::AboutDialog> m_dialog;
    QList<QUrl> m_opened;
    bool m_openerWorks = true;

    ui::AboutDialog& open() {
        m_dialog = std::make_unique<ui::AboutDialog>(m_context);
        m_dialog->setUrlOpener([this](const QUrl& url) {
            m_opened << url;
            return m_openerWorks;
        });
        return *m_dialog;
    }
    template <typename T> T* child(const char* name) {
        T* const found = m_dialog->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return found;
    }

private slots:
    void init() {
        m_prompter = ScriptedPrompter();
        m_opened.clear();
        m_openerWorks = true;
    }
    void cleanup() { m_dialog.reset(); }

    void open_texts_titleVersionAndDescriptionWordForWord() {
        open();
        QCOMPARE(m_dialog->objectName(), QStringLiteral("frmAbout"));
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("About Varscope"));
        QCOMPARE(child<QLabel>("lblTitle")->text(), QStringLiteral("Varscope"));
        QCOMPARE(child<QLabel>("lblVersion")->text(), QStringLiteral("Version %1.%2.%3")
                                                          .arg(core::kVersionMajor)
                                                          .arg(core::kVersionMinor)
                                                          .arg(core::kVersionRevision));
        QCOMPARE(child<QLabel>("lblVersion")->text(),
                 QStringLiteral("Version ") + QString::fromLatin1(core::kVersionText));
        QCOMPARE(child<QLabel>("lblDescription")->text(),
                 QStringLiteral("Views Msdebug.Txt and provides quick editing of configuration "
                                "files by double clicking in the Listviews.  Selected VARIABLE "
                                "is on the clipboard if searching is required within text "
                                "editor.  Quick creation of workspace directives via the  "
                                "Expression Builder interface"));
        const QString licences = child<QLabel>("lblLicences")->text();
        const QStringList named = {QStringLiteral("MIT"), QStringLiteral("LGPLv3"),
                                   QStringLiteral("Qt ") + QString::fromLatin1(qVersion())};
        for (const QString& name : named)
            QVERIFY2(licences.contains(name), qPrintable(name));
        QCOMPARE(PlainText(child<QLabel>("Label1")),
                 QStringLiteral("Comments and bug reports welcomed: ") + ui::SupportAddress());
        QCOMPARE(child<QPushButton>("cmdOK")->text(), QStringLiteral("OK"));
        QVERIFY(!child<QLabel>("picIcon")->pixmap().isNull());
    }

    // The program's own icon, drawn for the sizes a desktop asks for, not a stock one.
    void open_icon_theProgramIcon() {
        const QIcon icon = ui::ProgramIcon();
        for (const int size : {16, 32, 48})
            QCOMPARE(icon.pixmap(size, size).size(), QSize(size, size));
        open();
        const QImage shown = child<QLabel>("picIcon")->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(48, 48));
        QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32),
                 icon.pixmap(48, 48).toImage().convertToFormat(QImage::Format_ARGB32));
        const QImage stock = m_dialog->style()
                                 ->standardIcon(QStyle::SP_MessageBoxInformation)
                                 .pixmap(48, 48)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        QVERIFY(shown.convertToFormat(QImage::Format_ARGB32) != stock);
    }

    void versionText_numbers_plainDecimalWithoutLeadingZeros() {
        QCOMPARE(ui::VersionText(1, 0, 0), QStringLiteral("Version 1.0.0"));
        QCOMPARE(ui::VersionText(2, 10, 3), QStringLiteral("Version 2.10.3"));
        QCOMPARE(ui::VersionText(10, 0, 12), QStringLiteral("Version 10.0.12"));
    }

    void clickSupport_twice_twoNewMailsToTheSameAddress() {
        open();
        QLabel* const link = child<QLabel>("Label1");
        QTest::mouseClick(link, Qt::LeftButton);
        QTest::mouseClick(link, Qt::LeftButton);
        const QUrl expected(QStringLiteral("mailto:") + ui::SupportAddress());
        QCOMPARE(m_opened, (QList<QUrl>{expected, expected}));
        QVERIFY(ui::SupportAddress().contains(QLatin1Char('@')));
        QVERIFY(m_prompter.shown.empty());
    }

    void pressSupport_keyboard_opensMail() {
        open();
        QTest::keyClick(child<QLabel>("Label1"), Qt::Key_Space);
        QCOMPARE(m_opened.size(), 1);
    }

    void clickSupport_noMailProgram_toldTheAddressAndBoxStays() {
        m_openerWorks = false;
        open().show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        QTest::mouseClick(child<QLabel>("Label1"), Qt::LeftButton);
        QCOMPARE(m_prompter.shown.size(), std::size_t(1));
        QVERIFY(m_prompter.shown[0].text.find(ui::SupportAddress().toStdString()) !=
                std::string::npos);
        QVERIFY(m_dialog->isVisible());
    }

    void clickOk_closesTheBoxAccepted() {
        open().show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        QTest::mouseClick(child<QPushButton>("cmdOK"), Qt::LeftButton);
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        const QString shot = qEnvironmentVariable("VARSCOPE_SCREENSHOTS");
        if (!shot.isEmpty()) {
            m_dialog->show();
            m_dialog->grab().save(shot + QStringLiteral("/about_dialog.png"));
        }
    }
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_test.moc"
