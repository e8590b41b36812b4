#pragma once
// A small line chart of the upload speed over the newest `window` one-second samples, drawn in one pass:
// four labelled grid lines in MB/s (or a single baseline) and the line in the accent colour.

#include "design/access/OLAccessibleControl.h"
#include "design/theme/OLWidget.h"

#include <vector>

namespace keldra {

class ThroughputChart : public OLWidget, public OLAccessibleControl {
    Q_OBJECT
public:
    ThroughputChart(std::vector<double> samples, int window, bool showAxis, double height,
                    QWidget* parent = nullptr);

    void setSamples(std::vector<double> samples);
    const std::vector<double>& samples() const { return samples_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    OLAccessibleDescription accessibleDescription() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> samples_;
    int window_;
    bool showAxis_;
    double height_;
};

} // namespace keldra
