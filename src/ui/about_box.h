// frmAbout: the program's name, version and warning, and System Info.
#pragma once

#include <QtWidgets/QDialog>

#include <functional>

#include "ui/system_info.h"

namespace zorvane::ui {

// The system as the About box's System Info button uses it: the registry on
// Windows, the PATH elsewhere, and a message box when nothing is found.
class QtSystemInfoHost final : public SystemInfoHost {
public:
    explicit QtSystemInfoHost(QWidget* owner, std::function<void()> showUnavailable = nullptr);
    ~QtSystemInfoHost() override;
    RegistryApi* registry() override;
    bool fileExists(const std::string& path) override;
    std::optional<std::string> findProgram(const std::string& name) override;
    bool startProgram(const std::string& path) override;
    void showUnavailable() override;

private:
    QWidget* owner_;
    std::function<void()> showUnavailable_;
    std::unique_ptr<RegistryApi> registry_;
};

class frmAbout final : public QDialog {
    Q_OBJECT

public:
    // host: where System Info looks; the real system when null.
    explicit frmAbout(QWidget* owner, SystemInfoHost* host = nullptr);

private:
    void cmdSysInfo_Click();

    std::unique_ptr<SystemInfoHost> ownHost_;
    SystemInfoHost* host_;
};

} // namespace zorvane::ui
