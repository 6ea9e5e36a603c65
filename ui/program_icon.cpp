#include "program_icon.hpp"

#include <QIcon>
#include <QString>

#include <array>

// Resources of a static library are only linked when something refers to them.
static void InitProgramIconResources() {
    Q_INIT_RESOURCE(program_icon);
}

namespace varscope::ui {

namespace {

// Rendered from ui/resources/varscope.svg by tools/icon.sh.
constexpr std::array kSizes{16, 32, 48, 256};

} // namespace

QIcon ProgramIcon() {
    InitProgramIconResources();
    QIcon icon;
    for (const int size : kSizes)
        icon.addFile(QStringLiteral(":/icons/varscope-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace varscope::ui
