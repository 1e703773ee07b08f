// frmHelp: the help text file, read afresh at every opening.
#pragma once

#include <filesystem>

#include <QtWidgets/QDialog>

class QPlainTextEdit;
class QPushButton;

namespace zorvane::ui {

inline constexpr const char* kHelpFileName = "zorvane_help.txt";

// What the help box shows: the working folder's help file's text (none:
// the current folder's), else the installed one's, or one line saying why not.
QString LoadHelpText(const std::filesystem::path& workingFolder = {});

class frmHelp final : public QDialog {
    Q_OBJECT

public:
    explicit frmHelp(QWidget* owner, const std::filesystem::path& workingFolder = {});

protected:
    // Close is neither the default nor the cancel button: Escape does nothing.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPlainTextEdit* txtHelp_;
    QPushButton* cmdHelpClose_;
};

} // namespace zorvane::ui
