#include "restore/engine/RestoreError.h"

namespace keldra {

std::string RestoreError::message() const {
    switch (kind_) {
    case Kind::memory:
        return "Not enough free memory to decrypt this file right now.";
    case Kind::badLink:
        return "The portal returned an invalid download link.";
    case Kind::noIV:
        return "This file has no encryption IV, so it can't be decrypted.";
    case Kind::unsafePath:
        return "This item's path isn't safe to restore to, so it was skipped.";
    }
    return "Restore failed.";
}

} // namespace keldra
