#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace varscope::ui {

// File and folder pickers; tests answer them with a fake. An empty result means the
// user cancelled.
class Pickers {
public:
    virtual ~Pickers() = default;
    // filter in Qt form, e.g. "Output Text File (*.txt)".
    virtual QString openFile(QWidget* parent, const QString& title, const QString& folder,
                             const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& folder,
                             const QString& filter) = 0;
    virtual QString chooseFolder(QWidget* parent, const QString& title, const QString& folder) = 0;
    // One of `items`, the first offered; -1 when cancelled.
    virtual int chooseItem(QWidget* parent, const QString& title, const QString& label,
                           const QStringList& items) = 0;
};

class QtPickers final : public Pickers {
public:
    QString openFile(QWidget* parent, const QString& title, const QString& folder,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& folder,
                     const QString& filter) override;
    QString chooseFolder(QWidget* parent, const QString& title, const QString& folder) override;
    int chooseItem(QWidget* parent, const QString& title, const QString& label,
                   const QStringList& items) override;
};

} // namespace varscope::ui
