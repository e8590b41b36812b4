#pragma once

#include "drive/catalog/LocalCatalog.h"
#include "restore/catalog/RemoteCatalog.h"

namespace keldra::LocalCatalog {

// The drive's catalog as the restore side's catalog type, so drive copies browse like cloud copies.
RemoteCatalog toRemoteCatalog(const Catalog& catalog);

} // namespace keldra::LocalCatalog
