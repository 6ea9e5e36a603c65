#include "editor_dialog.hpp"

#include "core/session.hpp"
#include "core/system/edit.hpp"
#include "core/system/editors.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/prompter.hpp"
#include "core/system/search.hpp"
#include "core/texts.hpp"
#include "dialog_texts.hpp"
#include "ui/busy_pointer.hpp"
#include "ui/labels.hpp"
#include "ui/pickers.hpp"
#include "ui/text_conversion.hpp"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace varscope::ui {

namespace {

using core::AppState;
using core::Editor;

constexpr int kOtherIndex = 2;
// Often enough to feel live and to notice Cancel, seldom enough not to slow the walk.
constexpr qint64 kProgressRefreshMs = 100;
constexpr int kProgressTextWidth = 440;

struct EditorOption {
    const char* caption;
    Editor editor;
};

// The option buttons, by index.
const std::array<EditorOption, 3> kOptions{{
    {"Notepad", Editor::Notepad},
    {"Wordpad", Editor::Wordpad},
    {"Other", Editor::Other},
}};

struct WindowsEditor {
    std::string_view file;
    Editor editor;
};

// Searched one after the other; Cancel during the first also spares the user the second.
const std::array<WindowsEditor, 2> kWindowsEditors{{
    {"wordpad.exe", Editor::Wordpad},
    {"notepad.exe", Editor::Notepad},
}};

} // namespace

EditorDialog::EditorDialog(Context& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_searchRoot(core::platform::SystemRoot()) {
    setObjectName(QStringLiteral("Editor"));
    setWindowTitle(FromBytes(text::kEditorTitle));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    buildControls();
    load();
}

void EditorDialog::setSearchRoot(std::string root) {
    m_searchRoot = std::move(root);
}

void EditorDialog::buildControls() {
    auto* frame = new QGroupBox(FromBytes(text::kEditorFrame), this);
    frame->setObjectName(QStringLiteral("Frame_Editor"));
    m_options = new QButtonGroup(this);
    for (int index = 0; index < int(kOptions.size()); ++index) {
        m_option[index] = new QRadioButton(QString::fromLatin1(kOptions[index].caption), frame);
        m_option[index]->setObjectName(QStringLiteral("Option_Editor_%1").arg(index));
        m_options->addButton(m_option[index], index);
    }
    // Room for a path of common depth; a deeper one is shortened.
    m_otherPath = new PathLabel(36, frame);
    m_otherPath->setObjectName(QStringLiteral("Label_Editor"));
    m_locate = new QPushButton(FromBytes(core::platform::LocateEditorsCaption()), frame);
    m_locate->setObjectName(QStringLiteral("Command1"));
    m_locate->setAutoDefault(false);
    m_notify = new QCheckBox(FromBytes(text::kNotifyOnEdit), frame);
    m_desktopEditor = new QLabel(frame);
    m_desktopEditor->setObjectName(QStringLiteral("desktopEditor"));
    m_desktopEditor->setTextFormat(Qt::PlainText);
    m_desktopEditor->setWordWrap(true);
    m_notify->setObjectName(QStringLiteral("Check_WarnOnEdit"));

    auto* grid = new QGridLayout(frame);
    grid->addWidget(m_option[0], 0, 0);
    grid->addWidget(m_option[1], 1, 0);
    grid->addWidget(m_locate, 0, 1, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(m_option[kOtherIndex], 2, 0);
    grid->addWidget(m_otherPath, 2, 1);
    grid->addWidget(m_notify, 3, 0, 1, 2);
    grid->addWidget(m_desktopEditor, 4, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    m_select = new QPushButton(FromBytes(text::kSelectEditor), this);
    m_select->setObjectName(QStringLiteral("Cmd_select"));
    m_select->setAutoDefault(false);
    m_select->setEnabled(false);
    m_close = new QPushButton(FromBytes(text::kCloseEditor), this);
    m_close->setObjectName(QStringLiteral("Cmd_done"));
    m_close->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_select);
    buttons->addStretch();
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_options, &QButtonGroup::idToggled, this, &EditorDialog::onOptionToggled);
    connect(m_notify, &QCheckBox::clicked, this, &EditorDialog::onNotifyClicked);
    connect(m_select, &QPushButton::clicked, this, &EditorDialog::selectEditor);
    connect(m_locate, &QPushButton::clicked, this, &EditorDialog::locateEditors);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
}

void EditorDialog::load() {
    const AppState& state = m_context.state;
    updateOptionAvailability();
    m_notify->setChecked(state.preferences.confirmBeforeEdit());
    showOtherPath();
    // Selecting applies the option rule, as a click would, even on a greyed-out option.
    const std::optional<Editor> editor = state.preferences.editor();
    for (int index = 0; index < int(kOptions.size()); ++index) {
        if (editor == kOptions[index].editor)
            m_option[index]->setChecked(true);
    }
    showDesktopEditor();
}

// "Other" can always be chosen; Notepad and WordPad once their programs are known.
void EditorDialog::updateOptionAvailability() {
    const AppState& state = m_context.state;
    for (int index = 0; index < int(kOptions.size()); ++index)
        m_option[index]->setEnabled(index == kOtherIndex ||
                                    !state.preferences.pathOf(kOptions[index].editor).empty());
}

void EditorDialog::applyOptionRule(int index) {
    m_context.state.preferences.chooseEditor(kOptions[index].editor);
    m_select->setEnabled(index == kOtherIndex);
    showDesktopEditor();
}

void EditorDialog::showDesktopEditor() {
    const std::string desktop = core::DesktopEditorInUse(m_context.state.preferences);
    m_desktopEditor->setText(
        desktop.empty() ? QString() : FromBytes(text::kDesktopEditorInUse).arg(FromBytes(desktop)));
    m_desktopEditor->setVisible(!desktop.empty());
}

void EditorDialog::onOptionToggled(int index, bool checked) {
    if (checked)
        applyOptionRule(index);
}

void EditorDialog::onNotifyClicked(bool checked) {
    m_context.state.preferences.setConfirmBeforeEdit(checked);
}

void EditorDialog::selectEditor() {
    AppState& state = m_context.state;
    const QString current = FromBytes(state.preferences.OtherEditorPath);
    const QString folder = current.isEmpty() ? FromBytes(core::platform::ProgramsFolder())
                                             : QFileInfo(current).absolutePath();
    const QString filter = FromBytes(
        core::platform::ProgramsHaveExeSuffix() ? text::kExeFilter : text::kAnyFileFilter);
    const QString chosen =
        m_context.pickers.openFile(this, FromBytes(text::kEditorTitle), folder, filter);
    if (chosen.isEmpty())
        return;
    const std::string path = ToBytes(QDir::toNativeSeparators(chosen));
    if (!core::platform::IsProgramFile(path)) {
        m_context.prompter.message(path + std::string(text::kNotAProgram),
                                   core::MessageIcon::Exclamation, text::kEditorTitle);
        return;
    }
    state.preferences.OtherEditorPath = path;
    showOtherPath();
    // The program just chosen is the one the user means to edit with, from now on.
    if (m_options->checkedId() == kOtherIndex)
        applyOptionRule(kOtherIndex);
}

void EditorDialog::locateEditors() {
    if (core::platform::HasDesktopEditor()) {
        locateDesktopEditors();
        return;
    }
    AppState& state = m_context.state;
    m_context.prompter.message(text::kLocateWarning, core::MessageIcon::None,
                               core::text::kProgramTitle);

    QProgressDialog progress(this);
    progress.setObjectName(QStringLiteral("SearchProgress"));
    // The folder being searched is shown as it is named.
    auto* searching = new QLabel(&progress);
    searching->setTextFormat(Qt::PlainText);
    progress.setLabel(searching);
    progress.setWindowTitle(FromBytes(core::text::kProgramTitle));
    progress.setCancelButtonText(FromBytes(text::kCancelSearch));
    progress.setRange(0, 0);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumWidth(kProgressTextWidth + 40);
    // Nothing else may be clicked while the walk hands out events.
    progress.setWindowModality(Qt::ApplicationModal);
    std::optional<BusyPointer> busy(std::in_place, *this);

    for (const WindowsEditor& editor : kWindowsEditors) {
        const QString file = FromBytes(editor.file);
        QElapsedTimer sinceRefresh;
        const auto report = [&](const std::string& folder) {
            if (!sinceRefresh.isValid() || sinceRefresh.elapsed() >= kProgressRefreshMs) {
                progress.setLabelText(
                    FromBytes(text::kSearchingFor)
                        .arg(file, progress.fontMetrics().elidedText(
                                       FromBytes(folder), Qt::ElideMiddle, kProgressTextWidth)));
                if (!progress.isVisible())
                    progress.show();
                QApplication::processEvents();
                sinceRefresh.restart();
            }
            return !progress.wasCanceled();
        };
        const core::SearchResult result =
            core::FindProgram(editor.file, m_searchRoot, m_context.prompter, report);
        // A program not found keeps the path it had: it may lie where the walk never goes.
        if (result.found())
            state.preferences.pathOf(editor.editor) = result.path;
        if (result.outcome == core::SearchOutcome::Cancelled)
            break;
    }

    progress.close();
    busy.reset();
    updateOptionAvailability();
    // A program found for the option in use is the editor from now on.
    if (m_options->checkedId() >= 0)
        applyOptionRule(m_options->checkedId());
}

// Quick (no disk walk): the user picks one of the editors found, which becomes "Other".
void EditorDialog::locateDesktopEditors() {
    std::vector<core::FoundEditor> found;
    {
        const BusyPointer busy(*this);
        found = core::LocateDesktopEditors();
    }
    if (found.empty()) {
        m_context.prompter.message(text::kNoEditorsFound, core::MessageIcon::Information,
                                   text::kEditorTitle);
        return;
    }
    QStringList items;
    for (const core::FoundEditor& editor : found)
        items << FromBytes(editor.name) + QStringLiteral("  (") + FromBytes(editor.command) +
                     QLatin1Char(')');
    const int chosen = m_context.pickers.chooseItem(this, FromBytes(text::kEditorTitle),
                                                    FromBytes(text::kChooseFoundEditor), items);
    if (chosen < 0 || chosen >= int(found.size()))
        return;
    m_context.state.preferences.OtherEditorPath = found[std::size_t(chosen)].command;
    showOtherPath();
    // The editor just chosen is the one the user means to edit with, from now on.
    if (m_options->checkedId() == kOtherIndex)
        applyOptionRule(kOtherIndex);
    else
        m_option[kOtherIndex]->setChecked(true);
}

void EditorDialog::showOtherPath() {
    m_otherPath->setPath(FromBytes(m_context.state.preferences.OtherEditorPath));
}

} // namespace varscope::ui
