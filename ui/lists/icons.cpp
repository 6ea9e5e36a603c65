#include "icons.hpp"

#include "core/report/final_values.hpp"
#include "core/report/report.hpp"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace varscope::ui {

namespace {

struct LevelLook {
    int level;
    const char* letters;
    QRgb fill;
};

// Colour tells the levels apart at a glance; the letters still do without colour.
constexpr LevelLook kLevelLooks[] = {
    {core::LevelPredefined, "Pd", 0xff5f6b7a},
    {core::LevelSystem, "Sy", 0xff2f6fc0},
    {core::LevelSite, "Si", 0xff2e8b57},
    {core::LevelProject, "Pj", 0xffd0701a},
    {core::LevelApplication, "Ap", 0xff8052b5},
    {core::LevelUser, "Us", 0xffc23b3b},
    // The newer versions' levels.
    {core::LevelOrganization, "Or", 0xff13807c},
    {core::LevelWorkSpace, "Ws", 0xff8c6a12},
    {core::LevelWorkSet, "Wt", 0xffbf4a86},
    {core::LevelRole, "Ro", 0xff4f7a28},
};

constexpr int kSizes[] = {16, 20, 24, 32, 48};

using Painter = std::function<void(QPainter&)>;

// Paints on a 16-unit canvas at every size, so the icon stays crisp on any screen.
QIcon Draw(const Painter& paint) {
    QIcon icon;
    for (const int size : kSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(size / 16.0, size / 16.0);
        paint(painter);
        painter.end();
        icon.addPixmap(pixmap);
        // A selected row keeps the icon's own colours instead of a tinted copy.
        icon.addPixmap(pixmap, QIcon::Selected);
    }
    return icon;
}

void PaintBadge(QPainter& p, const LevelLook& look) {
    const QColor fill = QColor::fromRgb(look.fill);
    p.setPen(QPen(fill.darker(135), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15.0, 15.0), 3.0, 3.0);
    QFont font;
    font.setFamily(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(8);
    font.setLetterSpacing(QFont::AbsoluteSpacing, -0.3);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0.0, 0.5, 16.0, 15.0), Qt::AlignCenter, QString::fromLatin1(look.letters));
}

QIcon LevelBadge(const LevelLook& look) {
    return Draw([&look](QPainter& p) { PaintBadge(p, look); });
}

// A five-pointed star in the lower right corner: the record whose value the variable kept.
void PaintStar(QPainter& p) {
    QPainterPath star;
    const QPointF centre(11.3, 11.2);
    for (int point = 0; point < 10; ++point) {
        const double radius = point % 2 == 0 ? 5.0 : 2.2;
        const double angle = -M_PI / 2 + point * M_PI / 5;
        const QPointF at = centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
        if (point == 0)
            star.moveTo(at);
        else
            star.lineTo(at);
    }
    star.closeSubpath();
    p.setPen(QPen(QColor(0x5a, 0x40, 0x00), 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xff, 0xc8, 0x1e));
    p.drawPath(star);
}

// A padlock in the upper right corner: the variable was locked.
void PaintLock(QPainter& p) {
    p.setPen(QPen(Qt::white, 2.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(10.2, 0.6, 4.4, 5.2), 0, 180 * 16);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.2));
    p.drawArc(QRectF(10.2, 0.6, 4.4, 5.2), 0, 180 * 16);
    p.setPen(QPen(Qt::white, 0.8));
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawRoundedRect(QRectF(9.0, 3.2, 6.8, 4.8), 0.8, 0.8);
}

QIcon Folder() {
    return Draw([](QPainter& p) {
        const QColor body(0xe8, 0xb8, 0x4a);
        p.setPen(QPen(body.darker(150), 1.0));
        p.setBrush(body.darker(110));
        QPainterPath tab;
        tab.moveTo(1.5, 4.5);
        tab.lineTo(1.5, 2.5);
        tab.lineTo(6.0, 2.5);
        tab.lineTo(7.5, 4.0);
        tab.closeSubpath();
        p.drawPath(tab);
        p.setBrush(body);
        p.drawRoundedRect(QRectF(1.5, 4.5, 13.0, 9.0), 1.0, 1.0);
    });
}

QIcon Tag() {
    return Draw([](QPainter& p) {
        const QColor body(0x3a, 0x9a, 0xa8);
        p.setPen(QPen(body.darker(140), 1.0));
        p.setBrush(body);
        QPainterPath tag;
        tag.moveTo(1.5, 4.5);
        tag.lineTo(10.0, 4.5);
        tag.lineTo(14.5, 8.0);
        tag.lineTo(10.0, 11.5);
        tag.lineTo(1.5, 11.5);
        tag.closeSubpath();
        p.drawPath(tag);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(10.3, 8.0), 1.3, 1.3);
    });
}

void PaintPage(QPainter& p) {
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(9.5, 1.5);
    page.lineTo(12.5, 4.5);
    page.lineTo(12.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(0x6b, 0x72, 0x80), 1.0));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(0xd8, 0xdc, 0xe3));
    QPainterPath corner;
    corner.moveTo(9.5, 1.5);
    corner.lineTo(9.5, 4.5);
    corner.lineTo(12.5, 4.5);
    corner.closeSubpath();
    p.drawPath(corner);
    p.setPen(QPen(QColor(0x9a, 0xa3, 0xb0), 1.0));
    for (const double y : {6.5, 8.5, 10.5, 12.5})
        p.drawLine(QPointF(5.0, y), QPointF(11.0, y));
}

QIcon Page() {
    return Draw(PaintPage);
}

QIcon OpenedPage() {
    return Draw([](QPainter& p) {
        PaintPage(p);
        const QColor mark(0x2e, 0x9e, 0x4f);
        p.setPen(QPen(Qt::white, 1.0));
        p.setBrush(mark);
        p.drawEllipse(QPointF(11.5, 11.5), 4.0, 4.0);
        p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        QPainterPath tick;
        tick.moveTo(9.6, 11.6);
        tick.lineTo(11.0, 13.0);
        tick.lineTo(13.5, 10.0);
        p.drawPath(tick);
    });
}

} // namespace

IconLibrary::IconLibrary() : m_file(Page()), m_openedFile(OpenedPage()) {
    for (const LevelLook& look : kLevelLooks)
        m_images[std::size_t(look.level)] = LevelBadge(look);
    m_images[kCategoryImage] = Folder();
    m_images[kMemberImage] = Tag();
}

QIcon IconLibrary::levelIcon(int level, std::uint8_t marks) const {
    const std::size_t marking = marks & (core::RecordWinner | core::RecordLocked);
    if (marking == 0 || level < 0 || std::size_t(level) >= m_images.size())
        return image(level);
    QIcon& icon = m_marked[std::size_t(level)][marking];
    if (icon.isNull()) {
        const LevelLook* look = nullptr;
        for (const LevelLook& candidate : kLevelLooks)
            look = candidate.level == level ? &candidate : look;
        icon = Draw([look, marking](QPainter& p) {
            if (look != nullptr)
                PaintBadge(p, *look);
            if (marking & core::RecordLocked)
                PaintLock(p);
            if (marking & core::RecordWinner)
                PaintStar(p);
        });
    }
    return icon;
}

QIcon IconLibrary::image(int index) const {
    if (index < 0 || std::size_t(index) >= m_images.size())
        return {};
    return m_images[std::size_t(index)];
}

} // namespace varscope::ui
