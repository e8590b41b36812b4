#pragma once

#include "core/fs/UniqueFd.h"

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace keldra {

// Turns SIGTERM and SIGINT into a Qt signal on the thread that made the watcher, so a termination takes the
// same orderly way out as Quit. One per process.
class TerminationSignals final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received();

private:
    UniqueFd read_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace keldra
