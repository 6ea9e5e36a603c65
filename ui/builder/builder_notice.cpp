#include "builder_notice.hpp"

#include "builder_texts.hpp"
#include "ui/text_conversion.hpp"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QThread>

#include <algorithm>

namespace varscope::ui {

namespace {

// The designed client area, 3240 x 705 twips, and the label in it at 270, 210, 2775 x 255
// twips: pixels at 96 dpi.
constexpr int kDesignWidth = 216;
constexpr int kDesignHeight = 47;
constexpr int kLabelLeft = 18;
constexpr int kLabelTop = 14;
constexpr int kLabelWidth = 185;
constexpr int kLabelHeight = 17;

int Scaled(int pixels, double scale) {
    return int(pixels * scale + 0.5);
}

} // namespace

BuilderNotice::BuilderNotice(QWidget* owner) : QFrame(owner, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmNotice"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Without a title bar the frame is what sets the window apart from the one below.
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);

    auto* label = new QLabel(FromBytes(text::kBuildingVariableList), this);
    label->setObjectName(QStringLiteral("Label1"));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);

    // The designed geometry, grown where this system's font needs more room than the
    // designed one, so the text is never cut off.
    const double scale = logicalDpiX() / 96.0;
    const QSize text = label->sizeHint();
    const int labelWidth = std::max(Scaled(kLabelWidth, scale), text.width());
    const int labelHeight = std::max(Scaled(kLabelHeight, scale), text.height());
    const int left = Scaled(kLabelLeft, scale);
    const int top = Scaled(kLabelTop, scale);
    const int width = std::max(Scaled(kDesignWidth, scale), labelWidth + 2 * left);
    const int height = std::max(Scaled(kDesignHeight, scale), labelHeight + 2 * top);
    label->setGeometry(left, (height - labelHeight) / 2, labelWidth, labelHeight);
    setFixedSize(width, height);
    centreOver(owner);
}

void BuilderNotice::centreOver(const QWidget* owner) {
    QRect area;
    if (owner != nullptr && owner->isVisible())
        area = owner->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}

void WaitProcessingEvents(std::chrono::milliseconds duration, const SteadyClock& now) {
    // A steady clock, so midnight or a changed system time cannot stretch the wait.
    const auto start = now();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (now() - start >= duration)
            return;
        // A short rest between rounds keeps the wait from taking a whole processor.
        QThread::msleep(5);
    }
}

BuilderNotice* ShowBuilderNotice(QWidget* owner, const SteadyClock& now) {
    auto* notice = new BuilderNotice(owner);
    notice->show();
    WaitProcessingEvents(std::chrono::seconds(1), now);
    return notice;
}

} // namespace varscope::ui
