#pragma once

#include <QGroupBox>

namespace varscope::ui {

class IconLibrary;

// "View By Level": one image button per level with the legend, left to right Predefined,
// System, Site, Project, Application, User. Each button lies over its legend icon.
class LevelSelector final : public QGroupBox {
    Q_OBJECT
public:
    explicit LevelSelector(const IconLibrary& icons, QWidget* parent = nullptr);

signals:
    // A button or legend icon was clicked; `level` is its level code.
    void levelChosen(int level);
};

} // namespace varscope::ui
