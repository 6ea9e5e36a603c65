#pragma once

namespace varscope::core {
struct AppState;
class Prompter;
} // namespace varscope::core

namespace varscope::ui {

class Pickers;

// What every window needs: the shared state and the seams tests replace.
struct Context {
    core::AppState& state;
    core::Prompter& prompter;
    Pickers& pickers;
};

} // namespace varscope::ui
