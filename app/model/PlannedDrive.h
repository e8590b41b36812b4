#pragma once

#include "core/index/BackupIndex.h"
#include "drive/run/LocalRunRequest.h"

#include <memory>

namespace keldra {

// One drive of a run: its request and its own index (none until the run task has opened it).
struct PlannedDrive {
    LocalRunRequest request;
    std::shared_ptr<BackupIndex> index;
};

} // namespace keldra
