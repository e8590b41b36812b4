#pragma once
// What the window shows while the model starts: the full wordmark above a small spinner, centred.

#include <QWidget>

namespace keldra {

class LaunchView : public QWidget {
    Q_OBJECT
public:
    explicit LaunchView(QWidget* parent = nullptr);
};

} // namespace keldra
