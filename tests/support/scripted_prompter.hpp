#pragma once

#include "core/system/prompter.hpp"

#include <deque>
#include <string>
#include <vector>

namespace varscope::testing {

// Records every box it is shown and answers questions and input boxes from queues.
// An unexpected question is answered No, an unexpected three-way question Cancel; an
// unexpected input box is cancelled.
class ScriptedPrompter final : public core::Prompter {
public:
    struct Shown {
        std::string kind; // "message", "ask", "askYesNoCancel" or "input"
        std::string text;
        std::string title;
        core::MessageIcon icon = core::MessageIcon::None;
    };

    std::vector<Shown> shown;
    std::deque<bool> answers;
    std::deque<core::Answer> threeWayAnswers;
    // Each input box's text as it opened.
    std::vector<std::string> inputInitials;
    std::deque<std::optional<std::string>> inputs;

    void message(std::string_view text, core::MessageIcon icon, std::string_view title) override {
        shown.push_back({"message", std::string(text), std::string(title), icon});
    }
    bool ask(std::string_view text, std::string_view title) override {
        shown.push_back({"ask", std::string(text), std::string(title), core::MessageIcon::None});
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    core::Answer askYesNoCancel(std::string_view text, std::string_view title) override {
        shown.push_back(
            {"askYesNoCancel", std::string(text), std::string(title), core::MessageIcon::None});
        if (threeWayAnswers.empty())
            return core::Answer::Cancel;
        const core::Answer answer = threeWayAnswers.front();
        threeWayAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view initial) override {
        shown.push_back(
            {"input", std::string(prompt), std::string(title), core::MessageIcon::None});
        inputInitials.emplace_back(initial);
        if (inputs.empty())
            return std::nullopt;
        auto answer = inputs.front();
        inputs.pop_front();
        return answer;
    }
};

} // namespace varscope::testing
