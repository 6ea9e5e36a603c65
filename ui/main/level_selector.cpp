#include "level_selector.hpp"

#include "core/report/report.hpp"
#include "main_texts.hpp"
#include "ui/labels.hpp"
#include "ui/lists/icons.hpp"
#include "ui/text_conversion.hpp"

#include <QGridLayout>
#include <QStyle>
#include <QToolButton>

namespace varscope::ui {

namespace {

struct LevelControls {
    core::ConfigLevel level;
    const char* button;
    const char* image;
    const char* caption;
};

// Left to right as the legend reads.
constexpr LevelControls kLevelControls[] = {
    {core::LevelPredefined, "SoftBttn2", "Image7", "Label12"},
    {core::LevelSystem, "SoftBttn1", "Image12", "Label11"},
    {core::LevelSite, "SoftBttn3", "Image11", "Label10"},
    {core::LevelProject, "SoftBttn4", "Image10", "Label9"},
    {core::LevelApplication, "SoftBttn5", "Image9", "Label8"},
    {core::LevelUser, "SoftBttn6", "Image8", "Label7"},
    // The newer versions' levels, in a second row, shown when a report holds records at them.
    {core::LevelOrganization, "SoftBttn7", "Image13", "Label13"},
    {core::LevelWorkSpace, "SoftBttn8", "Image14", "Label14"},
    {core::LevelWorkSet, "SoftBttn9", "Image15", "Label15"},
    {core::LevelRole, "SoftBttn10", "Image16", "Label16"},
};
constexpr std::size_t kFirstRowLevels = 6;

} // namespace

LevelSelector::LevelSelector(const IconLibrary& icons, QWidget* parent)
    : QGroupBox(FromBytes(text::kViewByLevel), parent) {
    setObjectName(QStringLiteral("Frame3"));
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(6);
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this) + 4;
    for (std::size_t at = 0; at < std::size(kLevelControls); ++at) {
        const LevelControls& controls = kLevelControls[at];
        const int level = controls.level;
        const QString name = FromBytes(core::LevelName(level));
        const int row = at < kFirstRowLevels ? 0 : 1;
        const int column = 3 * int(at < kFirstRowLevels ? at : at - kFirstRowLevels);

        // A legend icon can be clicked like its button.
        auto* image = new ClickableLabel(this);
        image->setObjectName(QString::fromLatin1(controls.image));
        image->setPixmap(icons.levelIcon(level).pixmap(iconSize, iconSize));
        image->setAlignment(Qt::AlignCenter);
        connect(image, &ClickableLabel::clicked, this, [this, level] { emit levelChosen(level); });

        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(controls.button));
        button->setIcon(icons.levelIcon(level));
        button->setIconSize(QSize(iconSize, iconSize));
        button->setToolTip(FromBytes(text::kListLevelTip).arg(name));
        button->setAccessibleName(name);
        connect(button, &QToolButton::clicked, this, [this, level] { emit levelChosen(level); });

        auto* caption = new QLabel(name, this);
        caption->setObjectName(QString::fromLatin1(controls.caption));

        if (row == 0 && column > 0) {
            // Room between one caption and the next button.
            grid->addItem(new QSpacerItem(14, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), 0,
                          column - 1);
        }
        grid->addWidget(image, row, column, Qt::AlignCenter);
        grid->addWidget(button, row, column, Qt::AlignCenter);
        button->raise();
        grid->addWidget(caption, row, column + 1);
        if (core::IsNewerLevel(level)) {
            // An older report shows the selector as it always was.
            for (QWidget* widget : {static_cast<QWidget*>(image), static_cast<QWidget*>(button),
                                    static_cast<QWidget*>(caption)}) {
                widget->setVisible(false);
                m_newerLevels.push_back({level, widget});
            }
        }
    }
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

void LevelSelector::showLevelsWithRecords(const std::array<bool, core::kLevelCodeEnd>& present) {
    for (const auto& [level, widget] : m_newerLevels)
        widget->setVisible(present[std::size_t(level)]);
}

} // namespace varscope::ui
