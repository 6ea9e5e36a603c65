#include "output_options_dialog.hpp"

#include "core/export/export_file.hpp"
#include "core/session.hpp"
#include "core/system/edit.hpp"
#include "core/system/preferences.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "export_texts.hpp"
#include "shown_view.hpp"
#include "ui/busy_pointer.hpp"
#include "ui/labels.hpp"
#include "ui/pickers.hpp"
#include "ui/text_conversion.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <limits>
#include <optional>
#include <string_view>
#include <utility>

namespace varscope::ui {

namespace {

enum DelimiterOption { CharacterOption, SpaceOption, TabOption };

constexpr std::array<std::string_view, 3> kOptionCaptions = {text::kCharacter, text::kSpace,
                                                             text::kTab};
constexpr std::string_view kSpaceDelimiter = " ";
constexpr std::string_view kTabDelimiter = "\t";

// Shorter exports finish before a progress window would be worth reading.
constexpr int kProgressAfterMs = 400;
// Room for a path of common depth; a deeper one is shortened in the middle.
constexpr int kPathChars = 48;
// The delimiter box: a few characters are all anyone types.
constexpr int kDelimiterChars = 6;

} // namespace

OutputOptionsDialog::OutputOptionsDialog(Context& context, bool variableList, RowsOfPage rowsOfPage,
                                         QWidget* parent)
    : QDialog(parent), m_context(context), m_variableList(variableList),
      m_rowsOfPage(std::move(rowsOfPage)) {
    setObjectName(QStringLiteral("outOpts"));
    setWindowTitle(FromBytes(text::kOutputTitle));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    buildControls();
    load();
}

void OutputOptionsDialog::buildControls() {
    auto* location = new QGroupBox(FromBytes(text::kFileLocation), this);
    location->setObjectName(QStringLiteral("Frame3"));
    m_browse = new QPushButton(FromBytes(text::kBrowse), location);
    m_browse->setObjectName(QStringLiteral("Command_browse"));
    m_browse->setAutoDefault(false);
    m_file = new PathLabel(kPathChars, location);
    m_file->setObjectName(QStringLiteral("Label_file"));
    auto* locationLayout = new QHBoxLayout(location);
    locationLayout->addWidget(m_browse);
    locationLayout->addWidget(m_file, 1);

    auto* delimiters = new QGroupBox(FromBytes(text::kDelimiterOptions), this);
    delimiters->setObjectName(QStringLiteral("Frame1"));
    m_delimiterOptions = new QButtonGroup(this);
    for (int index = 0; index < int(m_option.size()); ++index) {
        m_option[index] = new QRadioButton(FromBytes(kOptionCaptions[index]), delimiters);
        m_option[index]->setObjectName(QStringLiteral("Option_Delimiter_%1").arg(index));
        m_delimiterOptions->addButton(m_option[index], index);
    }
    m_delimiterLabel = new QLabel(FromBytes(text::kDelimiter), delimiters);
    m_delimiterLabel->setObjectName(QStringLiteral("Label1"));
    m_delimiter = new QLineEdit(FromBytes(text::kInitialDelimiter), delimiters);
    m_delimiter->setObjectName(QStringLiteral("Text_delimiter"));
    m_delimiter->setFixedWidth(m_delimiter->fontMetrics().averageCharWidth() * kDelimiterChars +
                               m_delimiter->sizeHint().height());
    m_delimiterLabel->setBuddy(m_delimiter);
    auto* delimiterLayout = new QGridLayout(delimiters);
    for (int index = 0; index < int(m_option.size()); ++index)
        delimiterLayout->addWidget(m_option[index], index, 0);
    // The box beside "Character", whose delimiter it holds.
    delimiterLayout->addWidget(m_delimiterLabel, 0, 1, Qt::AlignRight);
    delimiterLayout->addWidget(m_delimiter, 0, 2);
    delimiterLayout->setColumnMinimumWidth(1, 8 * m_delimiter->fontMetrics().averageCharWidth());
    delimiterLayout->setColumnStretch(3, 1);

    auto* columns = new QGroupBox(FromBytes(text::kOutputColumns), this);
    columns->setObjectName(QStringLiteral("Frame2"));
    auto* columnLayout = new QHBoxLayout(columns);
    for (int index = 0; index < int(m_column.size()); ++index) {
        m_column[index] = new QCheckBox(FromBytes(text::kColumnCaptions[index]), columns);
        m_column[index]->setObjectName(QStringLiteral("Check_column_%1").arg(index));
        columnLayout->addWidget(m_column[index]);
    }
    columnLayout->addStretch();

    m_openFile = new QCheckBox(FromBytes(text::kViewWhenComplete), this);
    m_openFile->setObjectName(QStringLiteral("Check_openFile"));
    m_continue = new QPushButton(FromBytes(text::kContinue), this);
    m_continue->setObjectName(QStringLiteral("Command_output"));
    m_continue->setDefault(true);
    m_cancel = new QPushButton(FromBytes(text::kCancel), this);
    m_cancel->setObjectName(QStringLiteral("Command1"));
    m_cancel->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_openFile);
    bottom->addStretch();
    bottom->addWidget(m_continue);
    bottom->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(location);
    layout->addWidget(delimiters);
    layout->addWidget(columns);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The "Character" option first, so it has the focus when the window opens.
    QWidget* previous = m_option[CharacterOption];
    for (QWidget* next :
         {static_cast<QWidget*>(m_option[SpaceOption]), static_cast<QWidget*>(m_option[TabOption]),
          static_cast<QWidget*>(m_delimiter)}) {
        setTabOrder(previous, next);
        previous = next;
    }
    for (QCheckBox* box : m_column) {
        setTabOrder(previous, box);
        previous = box;
    }
    for (QWidget* next : {static_cast<QWidget*>(m_openFile), static_cast<QWidget*>(m_browse),
                          static_cast<QWidget*>(m_continue), static_cast<QWidget*>(m_cancel)}) {
        setTabOrder(previous, next);
        previous = next;
    }

    // Selecting an option from code runs its rule, as a click does.
    connect(m_delimiterOptions, &QButtonGroup::idToggled, this,
            &OutputOptionsDialog::onDelimiterOption);
    connect(m_delimiter, &QLineEdit::textChanged, this, &OutputOptionsDialog::onDelimiterEdited);
    for (int index = 0; index < int(m_column.size()); ++index)
        connect(m_column[index], &QCheckBox::clicked, this,
                [this, index](bool checked) { onColumnClicked(index, checked); });
    connect(m_browse, &QPushButton::clicked, this, &OutputOptionsDialog::browse);
    connect(m_continue, &QPushButton::clicked, this, &OutputOptionsDialog::writeView);
    connect(m_cancel, &QPushButton::clicked, this, &QWidget::close);
}

void OutputOptionsDialog::load() {
    core::AppState& state = m_context.state;
    if (state.preferences.OutputFile.empty())
        state.preferences.OutputFile = core::DefaultOutputFile(state.preferences.ProgramFolder);
    showOutputFile();
    const unsigned chosen = state.exportChoices.ExportColumns;
    for (int index = 0; index < int(m_column.size()); ++index) {
        m_column[index]->setEnabled(columnsApply());
        m_column[index]->setChecked((chosen & (1u << index)) != 0);
    }
    // The delimiter last used in this run, a blank or a TAB too.
    if (!state.exportChoices.ExportDelimiter.empty())
        m_delimiter->setText(FromBytes(state.exportChoices.ExportDelimiter));
    m_openFile->setChecked(false);
    m_option[CharacterOption]->setChecked(true);
    m_option[CharacterOption]->setFocus();
}

void OutputOptionsDialog::onDelimiterOption(int index, bool checked) {
    if (!checked)
        return;
    std::string& delimiter = m_context.state.exportChoices.ExportDelimiter;
    const bool typed = index == CharacterOption;
    m_delimiter->setEnabled(typed);
    m_delimiterLabel->setEnabled(typed);
    if (typed)
        delimiter = ToBytes(m_delimiter->text());
    else
        delimiter = index == SpaceOption ? kSpaceDelimiter : kTabDelimiter;
}

void OutputOptionsDialog::onDelimiterEdited(const QString& text) {
    m_context.state.exportChoices.ExportDelimiter = ToBytes(text);
}

void OutputOptionsDialog::onColumnClicked(int index, bool checked) {
    unsigned& columns = m_context.state.exportChoices.ExportColumns;
    if (checked)
        columns |= 1u << index;
    else
        columns &= ~(1u << index);
}

void OutputOptionsDialog::browse() {
    core::AppState& state = m_context.state;
    // A save picker: the file need not exist, and replacing one is asked about.
    const QString chosen = m_context.pickers.saveFile(this, FromBytes(text::kPickerTitle),
                                                      FromBytes(state.preferences.ProgramFolder),
                                                      FromBytes(text::kPickerFilter));
    if (chosen.isEmpty())
        return;
    state.preferences.OutputFile = ToBytes(QDir::toNativeSeparators(chosen));
    showOutputFile();
}

void OutputOptionsDialog::writeView() {
    core::AppState& state = m_context.state;
    if (state.exportChoices.ExportColumns == 0 && columnsApply()) {
        m_context.prompter.message(text::kNoItemsSelected, core::MessageIcon::Exclamation,
                                   core::text::kProgramTitle);
        return;
    }
    const std::string file = state.preferences.OutputFile;
    if (!writeFile(file))
        return;
    if (m_openFile->isChecked()) {
        core::OpenFileForEdit(state, m_context.prompter, file);
    } else {
        m_context.prompter.message(std::string(text::kFileCreatedBefore) + file +
                                       std::string(text::kFileCreatedAfter),
                                   core::MessageIcon::Information, text::kFileCreatedTitle);
    }
    accept();
}

bool OutputOptionsDialog::writeFile(const std::string& file) {
    // Made only now and gone before any message box: a progress window left behind would
    // show itself once events run again.
    QProgressDialog progress(this);
    progress.setObjectName(QStringLiteral("OutputProgress"));
    progress.setWindowTitle(FromBytes(text::kOutputTitle));
    progress.setLabelText(FromBytes(text::kPreparingRows));
    progress.setCancelButtonText(FromBytes(text::kCancelOutput));
    progress.setWindowModality(Qt::WindowModal);
    // Wide enough for its whole title: the bar alone would make it narrower than that.
    progress.setMinimumWidth(progress.fontMetrics().horizontalAdvance(progress.windowTitle()) * 3);
    progress.setMinimumDuration(kProgressAfterMs);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    std::optional<BusyPointer> busy(std::in_place, *this);
    const auto rowsMade = [&progress](std::size_t done, std::size_t total) {
        const auto clamp = [](std::size_t count) {
            return int(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
        };
        if (progress.maximum() != clamp(total))
            progress.setRange(0, clamp(total));
        progress.setValue(clamp(done));
        return !progress.wasCanceled();
    };
    const std::optional<std::string> bytes =
        ShownViewText(m_rowsOfPage(), m_context.state.exportChoices, rowsMade);
    std::optional<std::string> failure;
    if (bytes) {
        if (progress.isVisible()) {
            progress.setLabelText(FromBytes(text::kWritingFile));
            progress.repaint();
        }
        // The default file lies in the program folder, which an installed copy makes now.
        static_cast<void>(core::MakeProgramFolder(m_context.state.preferences));
        failure = core::WriteExportFile(file, *bytes);
    }
    progress.close();
    busy.reset();
    // Stopped by the user: nothing written, and nothing to say.
    if (!bytes)
        return false;
    if (failure) {
        m_context.prompter.message(*failure, core::MessageIcon::Exclamation,
                                   core::text::kProgramTitle);
        return false;
    }
    return true;
}

void OutputOptionsDialog::showOutputFile() {
    m_file->setPath(FromBytes(m_context.state.preferences.OutputFile));
}

} // namespace varscope::ui
