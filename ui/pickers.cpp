#include "pickers.hpp"

#include <QFileDialog>
#include <QInputDialog>

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

int QtPickers::chooseItem(QWidget* parent, const QString& title, const QString& label,
                          const QStringList& items) {
    bool chosen = false;
    const QString item = QInputDialog::getItem(parent, title, label, items, 0, false, &chosen);
    return chosen ? int(items.indexOf(item)) : -1;
}

} // namespace varscope::ui
