#pragma once

#include "ui/context.hpp"

#include <QDialog>
#include <QString>

#include <functional>

class QUrl;

namespace varscope::ui {

// "Version 2.10.3": each number in plain decimal.
QString VersionText(int major, int minor, int revision);

// The address for comments and bug reports, in the link and in the mail it opens.
QString SupportAddress();

// The About box: title, version, what the program is for, and a link that starts a mail
// to the support address.
class AboutDialog final : public QDialog {
    Q_OBJECT
public:
    // Opens a URL with the desktop; true when something took it. Tests replace it.
    using UrlOpener = std::function<bool(const QUrl&)>;

    explicit AboutDialog(Context& context, QWidget* parent = nullptr);

    void setUrlOpener(UrlOpener opener);

private:
    void writeToSupport();

    Context& m_context;
    UrlOpener m_openUrl;
};

} // namespace varscope::ui
