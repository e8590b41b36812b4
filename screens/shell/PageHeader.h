#pragma once
// The title row of the section pages: the title at the leading edge, an optional trailing view at the
// other. Glass shows the title as given in Inter 26 bold; signal upper-cases it in the mono label style.

#include "design/theme/OLWidget.h"

namespace keldra {

class OLText;

class PageHeader : public OLWidget {
    Q_OBJECT
public:
    explicit PageHeader(const QString& title, QWidget* trailing = nullptr, QWidget* parent = nullptr);

    OLText* titleText() const { return title_; }
    QWidget* trailing() const { return trailing_; }

protected:
    void applyTheme(const OLTheme& theme) override;

private:
    OLText* title_;
    QWidget* trailing_;
};

} // namespace keldra
