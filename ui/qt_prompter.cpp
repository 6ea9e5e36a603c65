#include "qt_prompter.hpp"

#include "text_conversion.hpp"

#include <QInputDialog>
#include <QMessageBox>

namespace varscope::ui {

void QtPrompter::message(std::string_view text, core::MessageIcon icon, std::string_view title) {
    QMessageBox box(m_parent);
    box.setWindowTitle(FromBytes(title));
    box.setText(FromBytes(text));
    switch (icon) {
    case core::MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case core::MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case core::MessageIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case core::MessageIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool QtPrompter::ask(std::string_view text, std::string_view title) {
    return QMessageBox::question(m_parent, FromBytes(title), FromBytes(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> QtPrompter::input(std::string_view prompt, std::string_view title,
                                             std::string_view initial) {
    bool ok = false;
    const QString answer = QInputDialog::getText(m_parent, FromBytes(title), FromBytes(prompt),
                                                 QLineEdit::Normal, FromBytes(initial), &ok);
    if (!ok)
        return std::nullopt;
    return ToBytes(answer);
}

} // namespace varscope::ui
