#pragma once

#include "core/report/report.hpp"

#include <QGroupBox>

#include <array>
#include <utility>
#include <vector>

namespace varscope::ui {

class IconLibrary;

// "View By Level": one image button per level with the legend, left to right Predefined,
// System, Site, Project, Application, User, and below them the newer versions' levels
// Organization, WorkSpace, WorkSet, Role, shown only for a report with records at them.
// Each button lies over its legend icon.
class LevelSelector final : public QGroupBox {
    Q_OBJECT
public:
    explicit LevelSelector(const IconLibrary& icons, QWidget* parent = nullptr);

    // Shows the newer levels' buttons and legend entries whose level holds records.
    void showLevelsWithRecords(const std::array<bool, core::kLevelCodeEnd>& present);

signals:
    // A button or legend icon was clicked; `level` is its level code.
    void levelChosen(int level);

private:
    std::vector<std::pair<int, QWidget*>> m_newerLevels; // the controls of each newer level
};

} // namespace varscope::ui
