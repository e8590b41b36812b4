#pragma once

namespace keldra {

// What a failed read of a stored copy means for the restore summary. The errors of the layers that read
// stored copies (the drive format) report it through StoredCopyFaultSource, so the restore summary can word
// them without depending on those layers.
enum class StoredCopyFault { none, damaged, incomplete };

class StoredCopyFaultSource {
public:
    virtual ~StoredCopyFaultSource() = default;
    virtual StoredCopyFault storedCopyFault() const = 0;
};

} // namespace keldra
