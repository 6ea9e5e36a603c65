#include "session.hpp"

#include "fileio.hpp"
#include "messages.hpp"
#include "pending_report.hpp"
#include "platform/platform.hpp"
#include "prompter.hpp"
#include "text.hpp"

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
    state.Report = std::move(data);
    ++state.ReportGeneration;
    if (state.Report.UserConfigFolder)
        state.UserConfigFolder = std::string(*state.Report.UserConfigFolder);
    if (state.Report.ProjectConfigFolder)
        state.ProjectConfigFolder = std::string(*state.Report.ProjectConfigFolder);
    state.FileOpened.assign(state.Report.ConfigFilesUsed.size(), false);
    // The isolated rows pointed into the previous report.
    state.IsolateRows.clear();
    state.ReportSource.clear();
}

LoadOutcome LoadDebugReport(AppState& state, Prompter& prompter, std::string_view mode,
                            PendingReport* pending) {
    if (mode != "skip") {
        if (state.MicroStationFolder.empty()) {
            prompter.message(text::kReportNotFound, MessageIcon::Information, text::kProgramTitle);
            return LoadOutcome::NotFound;
        }
        platform::SetCurrentFolder(state.MicroStationFolder);
        const char separator = platform::Separator();
        state.ReportPath = CollapseDoubledSeparator(
            state.MicroStationFolder + separator + std::string(text::kReportFileName), separator);
        if (!platform::FileExists(state.ReportPath)) {
            prompter.message(text::kReportNotFound, MessageIcon::Information, text::kProgramTitle);
            return LoadOutcome::NotFound;
        }
    }

    std::optional<ReportReading> reading;
    if (pending != nullptr && pending->path() == state.ReportPath)
        reading = pending->take();
    if (!reading)
        reading = ReadReport(state.ReportPath);
    if (!reading->report) {
        prompter.message(std::string(text::kCannotReadReport) + reading->error, MessageIcon::Stop,
                         text::kProgramTitle);
        return LoadOutcome::Unreadable;
    }
    state.WindowTitle = std::string(text::kTitleViewing) + state.ReportPath;
    ApplyReport(state, std::move(*reading->report));
    state.NotifyChanged();
    return LoadOutcome::Loaded;
}

void MarkFileOpened(AppState& state, std::string_view path) {
    const auto& files = state.Report.ConfigFilesUsed;
    state.FileOpened.resize(files.size(), false);
    bool marked = false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i] == path) {
            state.FileOpened[i] = true;
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

} // namespace varscope::core
