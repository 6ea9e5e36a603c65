#include "about_dialog.hpp"

#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "core/version.hpp"
#include "dialog_texts.hpp"
#include "ui/labels.hpp"
#include "ui/program_icon.hpp"
#include "ui/text_conversion.hpp"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <string>

namespace varscope::ui {

namespace {

const QString kMailScheme = QStringLiteral("mailto:");
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
    return FromBytes(text::kVersionPrefix) % QString::number(major) % QLatin1Char('.') %
           QString::number(minor) % QLatin1Char('.') % QString::number(revision);
}

QString SupportAddress() {
    return FromBytes(text::kSupportAddress);
}

AboutDialog::AboutDialog(Context& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_openUrl(&QDesktopServices::openUrl) {
    const QString title = FromBytes(core::text::kProgramTitle);
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(FromBytes(text::kAboutPrefix) + title);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPixmap(ProgramIcon().pixmap(kIconSize, kIconSize));
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

    auto* description = new QLabel(FromBytes(text::kAboutDescription), this);
    description->setObjectName(QStringLiteral("lblDescription"));
    description->setWordWrap(true);
    description->setFixedWidth(kTextWidth);

    auto* licences =
        new QLabel(FromBytes(text::kLicences).arg(QString::fromLatin1(qVersion())), this);
    licences->setObjectName(QStringLiteral("lblLicences"));
    licences->setWordWrap(true);
    licences->setFixedWidth(kTextWidth);

    // The support line: a link the whole of which can be clicked, or pressed with the keyboard.
    auto* support = new ClickableLabel(this);
    support->setCursor(Qt::PointingHandCursor);
    support->setFocusPolicy(Qt::StrongFocus);
    support->setTextInteractionFlags(Qt::NoTextInteraction);
    support->setObjectName(QStringLiteral("Label1"));
    support->setTextFormat(Qt::RichText);
    const QString address = SupportAddress();
    support->setText(FromBytes(text::kSupportPrefix).toHtmlEscaped() %
                     QStringLiteral("<a href=\"") % QString(kMailScheme + address).toHtmlEscaped() %
                     QStringLiteral("\">") % address.toHtmlEscaped() % QStringLiteral("</a>"));
    support->setToolTip(QString(kMailScheme + address));

    auto* ok = new QPushButton(FromBytes(text::kAboutOk), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);

    auto* texts = new QVBoxLayout;
    texts->addWidget(titleLabel);
    texts->addWidget(version);
    texts->addSpacing(8);
    texts->addWidget(description);
    texts->addSpacing(8);
    texts->addWidget(licences);
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
    if (m_openUrl(QUrl(QString(kMailScheme + SupportAddress()))))
        return;
    m_context.prompter.message(std::string(text::kNoMailProgram) +
                                   std::string(text::kSupportAddress) + '.',
                               core::MessageIcon::Exclamation, core::text::kProgramTitle);
}

} // namespace varscope::ui
