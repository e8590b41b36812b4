#pragma once
// The heading of the sign-in screens and the setup steps: one wording in glass, a terse one in signal (in
// the accent, on one line, shrinking to 60 % before it elides), and an optional selectable subtitle.

#include "design/theme/OLWidget.h"

#include <optional>

class QLabel;

namespace keldra {

class OLText;

class AuthTitle : public OLWidget {
    Q_OBJECT
public:
    static constexpr double signalSize = 64;
    static constexpr double signalMinimumScale = 0.6;

    AuthTitle(QString glass, QString signal, std::optional<QString> subtitle = std::nullopt,
              QWidget* parent = nullptr);

    void setHeading(QString glass, QString signal);
    void setSubtitle(std::optional<QString> subtitle);
    OLText* heading() const { return heading_; }
    // Null without a subtitle.
    QLabel* subtitle() const;

protected:
    void applyTheme(const OLTheme& theme) override;

private:
    QString glass_;
    QString signal_;
    OLText* heading_;
    QLabel* subtitle_;
};

} // namespace keldra
