#include "pickers.hpp"

#include <QFileDialog>

namespace varscope::ui {

QString QtPickers::openFile(QWidget* parent, const QString& title, const QString& folder,
                            const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString QtPickers::saveFile(QWidget* parent, const QString& title, const QString& folder,
                            const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, folder, filter);
}

QString QtPickers::chooseFolder(QWidget* parent, const QString& title, const QString& folder) {
    return QFileDialog::getExistingDirectory(parent, title, folder);
}

} // namespace varscope::ui
