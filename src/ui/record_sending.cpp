#include "ui/record_sending.h"

#include <QtCore/QMetaObject>

#include "records/spool_archive.h"

namespace zorvane::ui {

RecordSending::RecordSending(QObject& window, std::function<void(const QString&)> warn)
    : window_(window), warn_(std::move(warn))
{
}

RecordSending::~RecordSending() = default;

void RecordSending::start(const std::string& recordFile, const prepare::DatabaseChoice& database)
{
    if (recordFile.empty())
        return;
    // A month's records every database holds leave the live file first.
    if (const ArchiveResult archived = ArchiveSettledRecords(recordFile, std::chrono::system_clock::now());
        archived.error) {
        qWarning("ZORVANE: the flash records stay in %s: %s", recordFile.c_str(), archived.error->c_str());
        warn_(QStringLiteral("Old flash records not archived: ") + QString::fromStdString(*archived.error));
    }
    if (database.refused) {
        qWarning("ZORVANE: Database in [Records]: %s", database.refused->c_str());
        warn_(QStringLiteral("Flash records not sent: ") + QString::fromStdString(*database.refused));
        return;
    }
    if (database.url.empty())
        return;
    forwarder_ = std::make_unique<RecordForwarder>(recordFile, database.url);
    // What earlier runs left; the first round also looks at the server's clock.
    forwarder_->forward([window = &window_, warn = warn_, url = database.url](const ForwardResult& result) {
        if (!result.clockOff)
            return;
        const std::string text = ClockOffText(*result.clockOff, url);
        qWarning("ZORVANE: %s", text.c_str());
        QMetaObject::invokeMethod(
            window, [warn, shown = QString::fromStdString(text)] { warn(shown); }, Qt::QueuedConnection);
    });
}

void RecordSending::afterRun()
{
    if (!forwarder_)
        return;
    // The round ends on the sender's thread; what it left is shown on the window's.
    forwarder_->forward([window = &window_, warn = warn_, url = forwarder_->url()](const ForwardResult& result) {
        if (result.pending == 0)
            return;
        QMetaObject::invokeMethod(
            window, [warn, text = QString::fromStdString(WaitingText(result.pending, url))] { warn(text); },
            Qt::QueuedConnection);
    });
}

void RecordSending::finish(std::chrono::milliseconds limit)
{
    if (forwarder_)
        forwarder_->waitIdle(limit);
}

} // namespace zorvane::ui
