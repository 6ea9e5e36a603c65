#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <string_view>
#include <vector>

namespace varscope::core {
struct AppState;
}

namespace varscope::ui {

class IconLibrary;

// A one-column list over lines the shared state owns (the report's summary lines or its
// configuration files), read in place.
class TextListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class Lines { Summary, ConfigFiles };

    TextListModel(const core::AppState& state, Lines lines, QString header,
                  QObject* parent = nullptr);

    // Call after the shared state replaced the lines.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

protected:
    const core::AppState& state() const { return m_state; }
    const std::vector<std::string_view>& lines() const;

private:
    const core::AppState& m_state;
    const Lines m_lines;
    const QString m_header;
    int m_rowCount = 0;
};

// "Configuration Files Used": each file with the file icon, marked once opened for edit.
class FileOrderModel final : public TextListModel {
    Q_OBJECT
public:
    static constexpr int OpenedRole = Qt::UserRole + 1;

    FileOrderModel(const core::AppState& state, const IconLibrary& icons,
                   QObject* parent = nullptr);

    // Call after the opened-file marks changed; the rows stay as they are.
    void refreshMarks();

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    bool isOpened(int row) const;

    const IconLibrary& m_icons;
};

} // namespace varscope::ui
