#pragma once

namespace keldra {

// What a failed read of a stored copy means for the restore summary. Errors of layers above this one
// (the drive format) report it through StoredCopyFaultSource, so the summary can word them without this
// layer depending on theirs.
enum class StoredCopyFault { none, damaged, incomplete };

class StoredCopyFaultSource {
public:
    virtual ~StoredCopyFaultSource() = default;
    virtual StoredCopyFault storedCopyFault() const = 0;
};

} // namespace keldra
