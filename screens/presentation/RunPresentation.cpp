#include "screens/presentation/RunPresentation.h"

#include <algorithm>

namespace keldra {

double runFraction(const RunProgress& progress) {
    double fraction = 0;
    if (progress.bytesTotal >= 1) {
        fraction = static_cast<double>(progress.bytesDone) / static_cast<double>(progress.bytesTotal);
    } else if (progress.filesTotal >= 1) {
        fraction = static_cast<double>(progress.filesDone) / static_cast<double>(progress.filesTotal);
    }
    return std::min(fraction, 1.0);
}

int runPercent(const RunProgress& progress) {
    return static_cast<int>(runFraction(progress) * 100);
}

} // namespace keldra
