#include "about_dialog.hpp"

#include "core/messages.hpp"
#include "core/prompter.hpp"
#include "core/version.hpp"
#include "ui/labels.hpp"
#include "ui/text_conversion.hpp"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include <string>

namespace varscope::ui {

namespace {

const QString kAboutPrefix = QStringLiteral("About ");
const QString kVersionPrefix = QStringLiteral("Version ");
const QString kDescription = QStringLiteral(
    "Views Msdebug.Txt and provides quick editing of configuration files by double clicking "
    "in the Listviews.  Selected VARIABLE is on the clipboard if searching is required within "
    "text editor.  Quick creation of workspace directives via the  Expression Builder "
    "interface");
const QString kSupportPrefix = QStringLiteral("Comments and bug reports welcomed: ");
const QString kSupportAddress = QStringLiteral("varscope-support@example.com");
const QString kMailScheme = QStringLiteral("mailto:");
constexpr std::string_view kNoMailProgram = "No mail program could be started. Please write to ";
constexpr int kIconSize = 48;
constexpr int kTextWidth = 430;

QFrame* Separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

QString VersionText(int major, int minor, int revision) {
    return kVersionPrefix % QString::number(major) % QLatin1Char('.') % QString::number(minor) %
           QLatin1Char('.') % QString::number(revision);
}

QString SupportAddress() {
    return kSupportAddress;
}

AboutDialog::AboutDialog(Context& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_openUrl(&QDesktopServices::openUrl) {
    const QString title = FromBytes(core::text::kProgramTitle);
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(kAboutPrefix + title);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    const QIcon programIcon = QApplication::windowIcon().isNull()
                                  ? style()->standardIcon(QStyle::SP_MessageBoxInformation)
                                  : QApplication::windowIcon();
    icon->setPixmap(programIcon.pixmap(kIconSize, kIconSize));
    icon->setFixedSize(kIconSize, kIconSize);

    auto* titleLabel = new QLabel(title, this);
    titleLabel->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = titleLabel->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    titleLabel->setFont(titleFont);

    auto* version = new QLabel(
        VersionText(core::kVersionMajor, core::kVersionMinor, core::kVersionRevision), this);
    version->setObjectName(QStringLiteral("lblVersion"));

    auto* description = new QLabel(kDescription, this);
    description->setObjectName(QStringLiteral("lblDescription"));
    description->setWordWrap(true);
    description->setFixedWidth(kTextWidth);

    // The support line: a link the whole of which can be clicked, or pressed with the keyboard.
    auto* support = new ClickableLabel(this);
    support->setCursor(Qt::PointingHandCursor);
    support->setFocusPolicy(Qt::StrongFocus);
    support->setTextInteractionFlags(Qt::NoTextInteraction);
    support->setObjectName(QStringLiteral("Label1"));
    support->setTextFormat(Qt::RichText);
    support->setText(kSupportPrefix.toHtmlEscaped() % QStringLiteral("<a href=\"") %
                     QString(kMailScheme + kSupportAddress).toHtmlEscaped() %
                     QStringLiteral("\">") % kSupportAddress.toHtmlEscaped() %
                     QStringLiteral("</a>"));
    support->setToolTip(QString(kMailScheme + kSupportAddress));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);

    auto* texts = new QVBoxLayout;
    texts->addWidget(titleLabel);
    texts->addWidget(version);
    texts->addSpacing(8);
    texts->addWidget(description);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts);
    top->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(support, 1);
    bottom->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Separator(this));
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(support, &ClickableLabel::clicked, this, &AboutDialog::writeToSupport);
}

void AboutDialog::setUrlOpener(UrlOpener opener) {
    m_openUrl = std::move(opener);
}

void AboutDialog::writeToSupport() {
    if (m_openUrl(QUrl(QString(kMailScheme + kSupportAddress))))
        return;
    m_context.prompter.message(std::string(kNoMailProgram) + ToBytes(kSupportAddress) + '.',
                               core::MessageIcon::Exclamation, core::text::kProgramTitle);
}

} // namespace varscope::ui
