#include "changed_bar.hpp"

#include "main_texts.hpp"
#include "ui/text_conversion.hpp"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace varscope::ui {

ChangedOnDiskBar::ChangedOnDiskBar(QWidget* parent)
    : QWidget(parent), m_watcher(new QFileSystemWatcher(this)) {
    setObjectName(QStringLiteral("reportChangedBar"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    auto* label = new QLabel(FromBytes(text::kReportChanged));
    label->setObjectName(QStringLiteral("reportChangedText"));
    auto* reload = new QPushButton(FromBytes(text::kReloadChangedButton));
    reload->setObjectName(QStringLiteral("reportChangedReload"));
    auto* close = new QToolButton;
    close->setObjectName(QStringLiteral("reportChangedClose"));
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setAutoRaise(true);
    close->setToolTip(FromBytes(text::kCloseBarTip));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 4, 4);
    layout->addWidget(label, 1);
    layout->addWidget(reload);
    layout->addWidget(close);
    hide();
    connect(reload, &QPushButton::clicked, this, &ChangedOnDiskBar::reloadRequested);
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &ChangedOnDiskBar::onFileChanged);
}

void ChangedOnDiskBar::watch(const QString& path) {
    hide();
    if (!m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
    m_path = path;
    if (!path.isEmpty())
        m_watcher->addPath(path);
}

void ChangedOnDiskBar::onFileChanged(const QString& path) {
    if (path != m_path)
        return;
    // A file replaced as a whole (a new debug run, an atomic save) is no longer watched.
    if (!m_watcher->files().contains(path) && QFileInfo::exists(path))
        m_watcher->addPath(path);
    show();
}

} // namespace varscope::ui
