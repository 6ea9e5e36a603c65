// Wine hands a Windows program none of the host's QT_* variables, so under Wine the window
// tests get their platform and fonts under other names, set here before QApplication reads
// them. Linked into each window test of the Windows build only.
#include <QByteArray>
#include <QtGlobal>

#include <utility>

namespace {

const bool kQtEnvironmentSet = [] {
    for (const auto& [from, to] : {std::pair{"VARSCOPE_TEST_QPA_PLATFORM", "QT_QPA_PLATFORM"},
                                   std::pair{"VARSCOPE_TEST_QPA_FONTDIR", "QT_QPA_FONTDIR"}}) {
        if (qEnvironmentVariableIsSet(from) && !qEnvironmentVariableIsSet(to))
            qputenv(to, qgetenv(from));
    }
    return true;
}();

} // namespace
