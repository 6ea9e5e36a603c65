#pragma once

#include <QString>
#include <QWidget>

class QFileSystemWatcher;

namespace varscope::ui {

// The bar above the lists that says the report on screen changed on disk, with "Reload" and
// a close button. It only tells: reloading is the user's choice.
class ChangedOnDiskBar final : public QWidget {
    Q_OBJECT
public:
    explicit ChangedOnDiskBar(QWidget* parent = nullptr);

    // Watches `path` (the report on screen) from now on and hides the bar; empty: nothing.
    void watch(const QString& path);

signals:
    void reloadRequested();

private:
    void onFileChanged(const QString& path);

    QFileSystemWatcher* m_watcher = nullptr;
    QString m_path;
};

} // namespace varscope::ui
