// The window's flash records sent to the records database: what earlier
// runs left as the window starts, and each run's record after it ends.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QString>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "prepare/records_choice.h"
#include "records/record_forwarder.h"

namespace zorvane::ui {

class RecordSending {
public:
    // warn: shows a warning, called on window's thread.
    RecordSending(QObject& window, std::function<void(const QString&)> warn);
    ~RecordSending();   // the rounds still going end first: they post to the window

    // Moves the records file's old records to its archives, and starts
    // sending from it when a database is chosen; a refused choice is a warning.
    void start(const std::string& recordFile, const prepare::DatabaseChoice& database);
    // A run's record was kept: sends it, and warns of what is left waiting.
    void afterRun();
    // Closing: waits at most limit for the records still being sent; the
    // rest go at the next start.
    void finish(std::chrono::milliseconds limit);

private:
    QObject& window_;
    std::function<void(const QString&)> warn_;
    std::unique_ptr<RecordForwarder> forwarder_;
};

} // namespace zorvane::ui
