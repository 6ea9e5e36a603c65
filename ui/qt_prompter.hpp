#pragma once

#include "core/system/prompter.hpp"

class QWidget;

namespace varscope::ui {

// The real message, question and input boxes.
class QtPrompter final : public core::Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void message(std::string_view text, core::MessageIcon icon, std::string_view title) override;
    bool ask(std::string_view text, std::string_view title) override;
    core::Answer askYesNoCancel(std::string_view text, std::string_view title) override;
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view initial) override;

private:
    QWidget* m_parent = nullptr;
};

} // namespace varscope::ui
