#pragma once

#include <functional>
#include <memory>
#include <utility>

class QWidget;

namespace varscope::core {
struct AppState;
class Prompter;
} // namespace varscope::core

namespace varscope::ui {

class Pickers;

// What every window needs: the shared state and the seams tests replace.
struct Context {
    // Makes the boxes of a window of the program other than the main one: the real ones come
    // over that window, not over the main window.
    using PrompterMaker = std::function<std::unique_ptr<core::Prompter>(QWidget* window)>;

    Context(core::AppState& state, core::Prompter& prompter, Pickers& pickers,
            PrompterMaker prompterFor = {})
        : state(state), prompter(prompter), pickers(pickers), prompterFor(std::move(prompterFor)) {}

    core::AppState& state;
    core::Prompter& prompter; // the main window's boxes
    Pickers& pickers;
    // Unset (as in most tests), every window's boxes go through `prompter`.
    PrompterMaker prompterFor;
};

} // namespace varscope::ui
