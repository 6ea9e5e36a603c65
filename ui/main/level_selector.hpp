#pragma once

#include <QGroupBox>
#include <QLabel>

namespace varscope::ui {

class IconLibrary;

// A level icon of the legend that can be clicked like its button.
class LegendIcon final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

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
