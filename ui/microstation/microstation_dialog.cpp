#include "microstation_dialog.hpp"

#include "core/session.hpp"
#include "core/system/microstation.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/prompter.hpp"
#include "microstation_texts.hpp"
#include "ui/busy_pointer.hpp"
#include "ui/labels.hpp"
#include "ui/pickers.hpp"
#include "ui/program_wait.hpp"
#include "ui/text_conversion.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace varscope::ui {

namespace {

std::string EntryBytes(const QComboBox* combo, int index) {
    const QByteArray bytes = combo->itemData(index).toByteArray();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

// Emptying a list is no choice of the user's, so no handler runs for it.
void ClearQuietly(QComboBox* combo) {
    const QSignalBlocker quiet(combo);
    combo->clear();
}

// The names in their original bytes, with nothing selected yet.
void FillQuietly(QComboBox* combo, const std::vector<std::string>& names) {
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (const std::string& name : names)
        combo->addItem(FromBytes(name), QByteArray(name.data(), qsizetype(name.size())));
    combo->setCurrentIndex(-1);
}

} // namespace

MicroStationDialog::MicroStationDialog(Context& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("microstation"));
    setWindowTitle(FromBytes(text::kMicroStationTitle));
    buildControls();
    load();
}

void MicroStationDialog::buildControls() {
    auto* locationFrame = new QGroupBox(FromBytes(text::kLocationFrame), this);
    locationFrame->setObjectName(QStringLiteral("Frame1"));
    auto* browseFolder = new QPushButton(FromBytes(text::kBrowseFolder), locationFrame);
    browseFolder->setObjectName(QStringLiteral("Cmd_Browse"));
    // The whole folder while it fits, its middle elided when it does not.
    m_folderLabel = new PathLabel(6, locationFrame);
    m_folderLabel->setText(FromBytes(text::kLocationDesign));
    m_folderLabel->setObjectName(QStringLiteral("Label_MicroStation"));
    m_folderLabel->setFrameShape(QFrame::StyledPanel);
    m_folderLabel->setFrameShadow(QFrame::Sunken);
    m_folderLabel->setMargin(3);
    m_folderLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* locationLayout = new QHBoxLayout(locationFrame);
    locationLayout->addWidget(browseFolder);
    locationLayout->addWidget(m_folderLabel, 1);

    auto* configFrame = new QGroupBox(FromBytes(text::kConfigFrame), this);
    configFrame->setObjectName(QStringLiteral("Frame2"));
    m_checkUser = new QCheckBox(FromBytes(text::kUseUser), configFrame);
    m_checkUser->setObjectName(QStringLiteral("Check_user"));
    m_comboUser = new QComboBox(configFrame);
    m_comboUser->setObjectName(QStringLiteral("Combo_user"));
    m_checkProject = new QCheckBox(FromBytes(text::kUseProject), configFrame);
    m_checkProject->setObjectName(QStringLiteral("Check_proj"));
    m_comboProject = new QComboBox(configFrame);
    m_comboProject->setObjectName(QStringLiteral("Combo_proj"));
    for (QComboBox* combo : {m_comboUser, m_comboProject}) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(18);
    }
    auto* configLayout = new QGridLayout(configFrame);
    configLayout->addWidget(m_checkUser, 0, 0);
    configLayout->addWidget(m_comboUser, 1, 0);
    configLayout->addWidget(m_checkProject, 0, 1);
    configLayout->addWidget(m_comboProject, 1, 1);
    configLayout->setColumnStretch(0, 1);
    configLayout->setColumnStretch(1, 1);
    configLayout->setHorizontalSpacing(16);

    auto* commandCaption = new QLabel(FromBytes(text::kCommandCaption), this);
    commandCaption->setObjectName(QStringLiteral("Label_MSCmd"));
    m_commandLine = new QLineEdit(this);
    m_commandLine->setObjectName(QStringLiteral("Text_msDir"));
    commandCaption->setBuddy(m_commandLine);

    auto* reportFrame = new QGroupBox(FromBytes(text::kReportFrame), this);
    reportFrame->setObjectName(QStringLiteral("Frame3"));
    m_create = new QPushButton(FromBytes(text::kCreate), reportFrame);
    m_create->setObjectName(QStringLiteral("Command1"));
    auto* browseReport = new QPushButton(FromBytes(text::kBrowseReport), reportFrame);
    browseReport->setObjectName(QStringLiteral("Command2"));
    auto* done = new QPushButton(FromBytes(text::kDone), reportFrame);
    done->setObjectName(QStringLiteral("Cmd_done"));
    auto* reportLayout = new QHBoxLayout(reportFrame);
    for (QPushButton* button : {m_create, browseReport, done}) {
        // Enter in the command line box must not start MicroStation or close the dialog.
        button->setAutoDefault(false);
        button->setMinimumWidth(96);
        reportLayout->addWidget(button);
    }

    m_waitingBar = new QWidget(this);
    m_waitingBar->setObjectName(QStringLiteral("waitingBar"));
    m_waitingStatus = new QLabel(m_waitingBar);
    m_waitingStatus->setObjectName(QStringLiteral("waitingStatus"));
    m_stopWaiting = new QPushButton(FromBytes(text::kStopWaiting), m_waitingBar);
    m_stopWaiting->setObjectName(QStringLiteral("stopWaiting"));
    m_stopWaiting->setAutoDefault(false);
    // The one control that works during the wait keeps the ordinary pointer.
    m_stopWaiting->setCursor(Qt::ArrowCursor);
    auto* waitingLayout = new QHBoxLayout(m_waitingBar);
    waitingLayout->setContentsMargins(0, 0, 0, 0);
    waitingLayout->addWidget(m_waitingStatus, 1);
    waitingLayout->addWidget(m_stopWaiting);
    // The status line keeps its room, so the dialog does not jump when a run starts.
    QSizePolicy kept = m_stopWaiting->sizePolicy();
    kept.setRetainSizeWhenHidden(true);
    m_stopWaiting->setSizePolicy(kept);
    m_stopWaiting->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(locationFrame);
    layout->addWidget(configFrame);
    layout->addSpacing(4);
    layout->addWidget(commandCaption);
    layout->addWidget(m_commandLine);
    layout->addSpacing(4);
    layout->addWidget(reportFrame);
    layout->addWidget(m_waitingBar);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    resize(600, sizeHint().height());

    connect(browseFolder, &QPushButton::clicked, this, &MicroStationDialog::onBrowseFolder);
    // toggled, not clicked: ticking from code must run the same handler as a click.
    connect(m_checkUser, &QCheckBox::toggled, this, &MicroStationDialog::onUserTicked);
    connect(m_checkProject, &QCheckBox::toggled, this, &MicroStationDialog::onProjectTicked);
    connect(m_comboUser, &QComboBox::currentIndexChanged, this,
            &MicroStationDialog::onUserSelected);
    connect(m_comboProject, &QComboBox::currentIndexChanged, this,
            &MicroStationDialog::onProjectSelected);
    connect(m_create, &QPushButton::clicked, this, &MicroStationDialog::onCreate);
    connect(browseReport, &QPushButton::clicked, this, &MicroStationDialog::onBrowseReport);
    connect(done, &QPushButton::clicked, this, &MicroStationDialog::onDone);
}

void MicroStationDialog::load() {
    const core::AppState& state = m_context.state;
    // A remembered tick runs its handler and so refills its list; a clear box runs nothing.
    m_checkUser->setChecked(state.microStation.UseUserConfig);
    m_checkProject->setChecked(state.microStation.UseProjectConfig);
    m_comboProject->setEnabled(state.microStation.UseProjectConfig);
    m_comboUser->setEnabled(state.microStation.UseUserConfig);
    showFolder();
    // The options reappear at the next tick or choice.
    showCommandLine(core::OpeningCommandLine(state.preferences.MicroStationFolder));
    updateCreateEnabled();
}

QString MicroStationDialog::chooseFolder(QWidget* owner, const QString& title) {
    return m_context.pickers.chooseFolder(
        owner, title, FromBytes(m_context.state.preferences.MicroStationFolder));
}

void MicroStationDialog::onBrowseFolder() {
    const QString chosen = chooseFolder(this, FromBytes(text::kSelectLocationTitle));
    // A cancelled browse keeps the folder: emptying it would also empty the saved setting.
    if (chosen.isEmpty())
        return;
    core::AppState& state = m_context.state;
    state.preferences.MicroStationFolder = ToBytes(QDir::toNativeSeparators(chosen));
    showFolder();
    showCommandLine(core::BareCommandLine(state.preferences.MicroStationFolder));
    // Configuration patterns without a folder are looked up here until a report names one.
    core::platform::SetCurrentFolder(state.preferences.MicroStationFolder);
    updateCreateEnabled();
}

void MicroStationDialog::onUserTicked(bool ticked) {
    core::AppState& state = m_context.state;
    if (ticked) {
        m_comboUser->setEnabled(true);
        ClearQuietly(m_comboUser);
        ClearQuietly(m_comboProject);
        fillUserList();
        state.microStation.UserOption = core::UserOptionFor(state.microStation.UserConfigName);
    } else {
        m_comboUser->setEnabled(false);
        state.microStation.UserOption.clear();
    }
    state.microStation.UseUserConfig = ticked;
    showCommandLine(core::FullCommandLine(state));
}

void MicroStationDialog::onProjectTicked(bool ticked) {
    core::AppState& state = m_context.state;
    if (ticked) {
        m_comboProject->setEnabled(true);
        ClearQuietly(m_comboProject);
        fillProjectList();
        // Until an entry is chosen the option keeps the last project chosen in this run.
        state.microStation.ProjectOption =
            core::ProjectOptionFor(state.microStation.ProjectConfigName);
    } else {
        m_comboProject->setEnabled(false);
        state.microStation.ProjectOption.clear();
    }
    state.microStation.UseProjectConfig = ticked;
    showCommandLine(core::FullCommandLine(state));
}

void MicroStationDialog::onUserSelected(int index) {
    if (index < 0)
        return;
    core::AppState& state = m_context.state;
    state.microStation.UserConfigName = core::ConfigNameOf(EntryBytes(m_comboUser, index));
    // The project files live under the user configuration's name, so its choice is void.
    ClearQuietly(m_comboProject);
    m_checkProject->setChecked(false);
    state.microStation.UserOption = core::UserOptionFor(state.microStation.UserConfigName);
    showCommandLine(core::FullCommandLine(state));
}

void MicroStationDialog::onProjectSelected(int index) {
    if (index < 0)
        return;
    core::AppState& state = m_context.state;
    state.microStation.ProjectConfigName = core::ConfigNameOf(EntryBytes(m_comboProject, index));
    state.microStation.ProjectOption = core::ProjectOptionFor(state.microStation.ProjectConfigName);
    showCommandLine(core::FullCommandLine(state));
}

void MicroStationDialog::fillUserList() {
    core::AppState& state = m_context.state;
    FillQuietly(m_comboUser, core::ListMatchingFiles(core::UserConfigPattern(state)));
    if (m_comboUser->count() == 0)
        return;
    // Selecting runs the choice's handler, as a user's selection does.
    m_comboUser->setCurrentIndex(0);
    const std::string name = EntryBytes(m_comboUser, 0);
    if (name.find('.') != std::string::npos)
        state.microStation.UserConfigName = core::ConfigNameOf(name);
}

void MicroStationDialog::fillProjectList() {
    FillQuietly(m_comboProject,
                core::ListMatchingFiles(core::ProjectConfigPattern(m_context.state)));
    m_comboProject->setEnabled(m_checkProject->isChecked());
}

void MicroStationDialog::showFolder() {
    m_folderLabel->setPath(FromBytes(m_context.state.preferences.MicroStationFolder));
}

void MicroStationDialog::showCommandLine(const std::string& line) {
    m_composedLine = line;
    m_commandLine->setText(FromBytes(line));
}

void MicroStationDialog::updateCreateEnabled() {
    m_create->setEnabled(
        core::MicroStationProgramExists(m_context.state.preferences.MicroStationFolder));
}

void MicroStationDialog::onCreate() {
    const QString shown = m_commandLine->text();
    const std::string line = shown == FromBytes(m_composedLine) ? m_composedLine : ToBytes(shown);
    std::optional<core::DebugRun> run =
        core::StartDebugReport(m_context.state, m_context.prompter, line);
    if (!run)
        return;
    ProgramWait::Ending ending = ProgramWait::Ending::Ended;
    {
        const BusyPointer busy(*this);
        showWaiting(true);
        ProgramWait wait;
        ending = wait.waitFor(run->program, *m_stopWaiting);
        showWaiting(false);
    }
    // The report is read when MicroStation has ended; a user who stopped waiting gets the
    // window back with the report on screen unchanged.
    if (ending == ProgramWait::Ending::Ended)
        core::FinishDebugReport(m_context.state, m_context.prompter, *run);
    else
        LetRunOn(std::move(run->program));
}

void MicroStationDialog::showWaiting(bool waiting) {
    m_waitingStatus->setText(waiting ? FromBytes(text::kWaitingForMicroStation) : QString());
    m_stopWaiting->setVisible(waiting);
    if (waiting)
        m_stopWaiting->setFocus();
}

void MicroStationDialog::onBrowseReport() {
    const QString chosen = m_context.pickers.openFile(this, FromBytes(text::kOpenReportTitle),
                                                      FromBytes(core::platform::SystemRoot()),
                                                      FromBytes(text::kReportFilter));
    if (chosen.isEmpty())
        return;
    core::AppState& state = m_context.state;
    const std::string previous = state.report.ReportPath;
    state.report.ReportPath = ToBytes(QDir::toNativeSeparators(chosen));
    if (core::LoadDebugReport(state, m_context.prompter, core::LoadMode::Skip) !=
        core::LoadOutcome::Loaded) {
        // The report on screen stays, and so does the path "Refresh" reads it from.
        state.report.ReportPath = previous;
        return;
    }
    state.report.ReportSource = core::LoadMode::Skip;
}

void MicroStationDialog::onDone() {
    core::AppState& state = m_context.state;
    // A report the user chose stays on screen.
    if (state.report.ReportSource != core::LoadMode::Skip) {
        core::LoadDebugReport(state, m_context.prompter, core::LoadMode::Update);
        state.report.ReportSource = core::LoadMode::Update;
    }
    accept();
}

} // namespace varscope::ui
