#pragma once

class QIcon;

namespace varscope::ui {

// Varscope's own icon, at every size it was drawn for: for the windows, the task bar and the
// About box.
QIcon ProgramIcon();

} // namespace varscope::ui
