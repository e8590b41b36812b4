#include "screens/root/LaunchView.h"

#include "design/brand/KeldraWordmark.h"
#include "design/button/OLSpinner.h"
#include "design/theme/OLColor.h"

#include <QVBoxLayout>

namespace keldra {

LaunchView::LaunchView(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(18);
    layout->addStretch(1);
    layout->addWidget(new KeldraWordmark(false, this), 0, Qt::AlignHCenter);
    layout->addWidget(new OLSpinner(OLColor::textMuted, this), 0, Qt::AlignHCenter);
    layout->addStretch(1);
}

} // namespace keldra
