#pragma once
// One label and value row of a data list; the label is the row's identity within its list.

#include "app/model/ThemeValues.h"

#include <QString>
#include <optional>

namespace keldra {

struct DataRowModel {
    QString label;
    QString value;
    std::optional<StatusTone> tone;
    bool copyable = true;

    const QString& id() const { return label; }
    friend bool operator==(const DataRowModel&, const DataRowModel&) = default;
};

} // namespace keldra
