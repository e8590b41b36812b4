#pragma once
// The page of the sign-in, two-factor and unlock screens: the scrolling page with the wordmark on top, the
// screen's own content, and three reassurance chips at the bottom.

#include "onboarding/common/ScrollingPage.h"

class QVBoxLayout;

namespace keldra {

class AuthScaffold : public ScrollingPage {
    Q_OBJECT
public:
    explicit AuthScaffold(QWidget* parent = nullptr);

    // The screen's stack (leading-aligned, spacing 22) between the wordmark and the chips.
    QVBoxLayout* content() const { return content_; }

private:
    QVBoxLayout* content_;
};

} // namespace keldra
