#pragma once
// The (label, value) options of a segmented control or menu picker, in order.

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace keldra {

template <typename T> using OptionList = std::vector<std::pair<QString, T>>;

template <typename T> QStringList optionLabels(const OptionList<T>& options) {
    QStringList labels;
    for (const auto& option : options)
        labels << option.first;
    return labels;
}

// Every position whose value equals `value`.
template <typename T> std::vector<bool> matchingOptions(const OptionList<T>& options, const T& value) {
    std::vector<bool> out;
    for (const auto& option : options)
        out.push_back(option.second == value);
    return out;
}

} // namespace keldra
