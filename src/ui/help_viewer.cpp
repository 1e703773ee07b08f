#include "ui/help_viewer.h"

#include <QtCore/QStandardPaths>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>

#include <variant>

#include "files/text_files.h"
#include "ui/fonts.h"
#include "ui/twips.h"

namespace zorvane::ui {

namespace {

constexpr double kHelpFontPoints = 9.75;

QString quotedName()
{
    return QStringLiteral("\"%1\"").arg(QLatin1String(kHelpFileName));
}

// A program or an image saved under the help file's name holds NUL bytes; a
// text file shows as it is, an old end-of-file mark or an escape included.
bool looksLikeText(const std::string& bytes)
{
    return bytes.find('\0') == std::string::npos;
}

// The working folder's help text, else the one the package installed
// (share/zorvane in the data folders: ~/.local/share, /usr/local/share, /usr/share).
std::string helpFilePath(const std::filesystem::path& workingFolder)
{
    if (const std::string own = files::InFolder(workingFolder, kHelpFileName); files::FileExists(own))
        return own;
    const QString installed = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                     QStringLiteral("zorvane/") + QLatin1String(kHelpFileName));
    return installed.isEmpty() ? std::string() : installed.toStdString();
}

} // namespace

QString LoadHelpText(const std::filesystem::path& workingFolder)
{
    const std::string path = helpFilePath(workingFolder);
    if (path.empty())
        return QStringLiteral("Help file %1 does not exist.").arg(quotedName());
    std::variant<std::string, files::FileFault> read = files::ReadFile(path);
    if (const files::FileFault* fault = std::get_if<files::FileFault>(&read))
        return QStringLiteral("Help file %1 cannot be read (%2).").arg(quotedName(), QString::fromStdString(fault->text));
    const std::string& bytes = std::get<std::string>(read);
    if (!looksLikeText(bytes))
        return QStringLiteral("Help file %1 is not a text file.").arg(quotedName());
    QString text = QString::fromLocal8Bit(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

frmHelp::frmHelp(QWidget* owner, const std::filesystem::path& workingFolder)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Zorvane Help File"));
    setFont(DialogFont());
    setModal(true);
    FixClientSizeTwips(this, 7110, 9240);

    txtHelp_ = new QPlainTextEdit(this);
    txtHelp_->setObjectName(QStringLiteral("txtHelp"));
    txtHelp_->setReadOnly(true);
    txtHelp_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtHelp_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtHelp_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtHelp_->setFont(FixedPitchFont(kHelpFontPoints));
    PlaceTwips(txtHelp_, 120, 120, 6855, 8175);

    cmdHelpClose_ = new QPushButton(QStringLiteral("Close"), this);
    cmdHelpClose_->setObjectName(QStringLiteral("cmdHelpClose"));
    cmdHelpClose_->setAutoDefault(false);
    cmdHelpClose_->setDefault(false);
    PlaceTwips(cmdHelpClose_, 2880, 8520, 1215, 495);
    connect(cmdHelpClose_, &QPushButton::clicked, this, &QDialog::accept);

    setTabOrder(txtHelp_, cmdHelpClose_);
    txtHelp_->setPlainText(LoadHelpText(workingFolder));
}

void frmHelp::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace zorvane::ui
