#include "core/session.hpp"

#include "core/report/pending_report.hpp"
#include "core/strings.hpp"
#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"

#include <algorithm>

namespace varscope::core {

int AppState::Subscribe(Listener listener) {
    const int token = m_nextToken++;
    m_listeners.emplace_back(token, std::move(listener));
    return token;
}

void AppState::Unsubscribe(int token) {
    std::erase_if(m_listeners, [token](const auto& entry) { return entry.first == token; });
}

void AppState::NotifyChanged() const {
    // A listener may subscribe or unsubscribe while being called.
    const auto listeners = m_listeners;
    for (const auto& entry : listeners)
        entry.second();
}

void ApplyReport(AppState& state, ReportData data) {
    LoadedReport& report = state.report;
    report.Contents = std::move(data);
    ++report.ReportGeneration;
    if (report.Contents.UserConfigFolder)
        report.UserConfigFolder = std::string(*report.Contents.UserConfigFolder);
    if (report.Contents.ProjectConfigFolder)
        report.ProjectConfigFolder = std::string(*report.Contents.ProjectConfigFolder);
    report.FileOpened.assign(report.Contents.ConfigFilesUsed.size(), false);
    report.Winners = FinalValues(report.Contents);
    // The isolated rows pointed into the previous report.
    state.isolate.IsolateRows.clear();
    state.isolate.OneVariable = false;
    report.ReportSource.reset();
}

LoadOutcome LoadDebugReport(AppState& state, Prompter& prompter, LoadMode mode,
                            PendingReport* pending) {
    LoadedReport& report = state.report;
    if (mode != LoadMode::Skip) {
        const std::string& folder = state.preferences.MicroStationFolder;
        if (folder.empty()) {
            prompter.message(text::kReportNotFound, MessageIcon::Information, text::kProgramTitle);
            return LoadOutcome::NotFound;
        }
        platform::SetCurrentFolder(folder);
        report.ReportPath = CollapseDoubledSeparatorInPath(JoinPath(folder, text::kReportFileName),
                                                           platform::Separator());
        if (!platform::FileExists(report.ReportPath)) {
            prompter.message(text::kReportNotFound, MessageIcon::Information, text::kProgramTitle);
            return LoadOutcome::NotFound;
        }
    }

    std::optional<ReportReading> reading;
    if (pending != nullptr && pending->path() == report.ReportPath)
        reading = pending->take();
    if (!reading)
        reading = ReadReport(report.ReportPath);
    if (!reading->report) {
        prompter.message(std::string(text::kCannotReadReport) + reading->error, MessageIcon::Stop,
                         text::kProgramTitle);
        return LoadOutcome::Unreadable;
    }
    report.WindowTitle = std::string(text::kTitleViewing) + report.ReportPath;
    ApplyReport(state, std::move(*reading->report));
    state.NotifyChanged();
    return LoadOutcome::Loaded;
}

LoadOutcome OpenReportFile(AppState& state, Prompter& prompter, const std::string& path) {
    ReportReading reading = ReadReport(path);
    if (!reading.report) {
        prompter.message(std::string(text::kCannotReadReport) + reading.error, MessageIcon::Stop,
                         text::kProgramTitle);
        return LoadOutcome::Unreadable;
    }
    const ReportData& data = *reading.report;
    if (data.Variables.empty() && data.ConfigFilesUsed.empty() && !data.HasSummary) {
        prompter.message(std::string(text::kNotAReport) + path, MessageIcon::Stop,
                         text::kProgramTitle);
        return LoadOutcome::NotAReport;
    }
    LoadedReport& report = state.report;
    report.ReportPath = path;
    report.WindowTitle = std::string(text::kTitleViewing) + report.ReportPath;
    ApplyReport(state, std::move(*reading.report));
    state.NotifyChanged();
    report.ReportSource = LoadMode::Skip;
    return LoadOutcome::Loaded;
}

void MarkFileOpened(AppState& state, std::string_view path) {
    LoadedReport& report = state.report;
    const auto& files = report.Contents.ConfigFilesUsed;
    report.FileOpened.resize(files.size(), false);
    bool marked = false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i] == path) {
            report.FileOpened[i] = true;
            marked = true;
        }
    }
    if (marked)
        state.NotifyChanged();
}

std::vector<std::size_t> IsolateByName(const ReportData& report, std::string_view name) {
    std::vector<std::size_t> rows;
    for (const ConfigVariable& record : report.Variables) {
        if (record.Name == name)
            rows.push_back(record.Index);
    }
    return rows;
}

std::vector<std::size_t> FilterByLevel(const ReportData& report, int level) {
    std::vector<std::size_t> rows;
    for (const ConfigVariable& record : report.Variables) {
        if (record.Level == level)
            rows.push_back(record.Index);
    }
    return rows;
}

std::array<bool, kLevelCodeEnd> LevelsWithRecords(const ReportData& report) {
    std::array<bool, kLevelCodeEnd> present{};
    for (const ConfigVariable& record : report.Variables) {
        if (record.Level >= 0 && record.Level < kLevelCodeEnd)
            present[static_cast<std::size_t>(record.Level)] = true;
    }
    return present;
}

} // namespace varscope::core
