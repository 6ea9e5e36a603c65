#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varscope::core {

enum class MessageIcon { None, Information, Exclamation, Stop };
enum class Answer { Yes, No, Cancel };

// Every message box, question and input box goes through this, so tests can answer them.
// Texts are bytes in the report's code page; the window decodes them for display.
class Prompter {
public:
    virtual ~Prompter() = default;
    // An OK box.
    virtual void message(std::string_view text, MessageIcon icon, std::string_view title) = 0;
    // A Yes/No question with the question icon; true for Yes.
    virtual bool ask(std::string_view text, std::string_view title) = 0;
    // A Yes/No/Cancel question with the question icon; closing the box is Cancel.
    virtual Answer askYesNoCancel(std::string_view text, std::string_view title) = 0;
    // An input box; nullopt when cancelled.
    virtual std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                             std::string_view initial) = 0;
};

} // namespace varscope::core
