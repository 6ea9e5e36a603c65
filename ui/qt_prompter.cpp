#include "qt_prompter.hpp"

#include "text_conversion.hpp"

#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

namespace varscope::ui {

namespace {

QMessageBox::Icon BoxIcon(core::MessageIcon icon) {
    switch (icon) {
    case core::MessageIcon::Information:
        return QMessageBox::Information;
    case core::MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case core::MessageIcon::Stop:
        return QMessageBox::Critical;
    case core::MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Messages carry file names and values, which may hold "<" or "&": shown as plain text, they
// read exactly as they are.
QMessageBox::StandardButton ShowBox(QWidget* parent, std::string_view text, std::string_view title,
                                    QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) {
    QMessageBox box(parent);
    box.setWindowTitle(FromBytes(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(FromBytes(text));
    box.setIcon(icon);
    box.setStandardButtons(buttons);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void QtPrompter::message(std::string_view text, core::MessageIcon icon, std::string_view title) {
    ShowBox(m_parent, text, title, BoxIcon(icon), QMessageBox::Ok, QMessageBox::NoButton);
}

bool QtPrompter::ask(std::string_view text, std::string_view title) {
    return ShowBox(m_parent, text, title, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::NoButton) == QMessageBox::Yes;
}

core::Answer QtPrompter::askYesNoCancel(std::string_view text, std::string_view title) {
    switch (ShowBox(m_parent, text, title, QMessageBox::Question,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return core::Answer::Yes;
    case QMessageBox::No:
        return core::Answer::No;
    default:
        return core::Answer::Cancel;
    }
}

std::optional<std::string> QtPrompter::input(std::string_view prompt, std::string_view title,
                                             std::string_view initial) {
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(FromBytes(title));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(FromBytes(prompt));
    dialog.setTextValue(FromBytes(initial));
    // The dialog gives no other way to its prompt's format.
    for (QLabel* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return ToBytes(dialog.textValue());
}

} // namespace varscope::ui
