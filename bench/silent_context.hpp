// A prompter and pickers for benchmarks of windows: nothing may wait for a click.
#pragma once

#include "core/system/prompter.hpp"
#include "ui/pickers.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace varscope::bench {

class SilentPrompter final : public core::Prompter {
public:
    void message(std::string_view, core::MessageIcon, std::string_view) override {}
    bool ask(std::string_view, std::string_view) override { return false; }
    core::Answer askYesNoCancel(std::string_view, std::string_view) override {
        return core::Answer::Cancel;
    }
    std::optional<std::string> input(std::string_view, std::string_view,
                                     std::string_view) override {
        return std::nullopt;
    }
};

class NoPickers final : public ui::Pickers {
public:
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
    int chooseItem(QWidget*, const QString&, const QString&, const QStringList&) override {
        return -1;
    }
};

} // namespace varscope::bench
