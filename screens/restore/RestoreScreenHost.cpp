#include "screens/restore/RestoreScreenHost.h"

namespace keldra {

RestoreScreenHost::~RestoreScreenHost() = default;

} // namespace keldra
