#include "ui/startup.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEventLoop>

namespace zorvane::ui {

std::unique_ptr<frmMain> Main(Module1& module, const MainWindowLoader& load, std::chrono::milliseconds cardTime)
{
    frmSplash card(module, cardTime);
    card.show();
    card.repaint();
    QCoreApplication::processEvents();   // fully drawn before the slower load

    std::unique_ptr<frmMain> window = load();

    // The card's timer is an ordinary event: wait for it in the event loop,
    // which keeps the card painted meanwhile.
    while (!module.gstartupDone)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    card.unload();
    window->show();
    return window;
}

} // namespace zorvane::ui
