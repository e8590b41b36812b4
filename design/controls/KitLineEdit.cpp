#include "design/controls/KitLineEdit.h"

#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"

#include <QLineEdit>
#include <QPalette>

namespace keldra {

void setUpKitLineEdit(QLineEdit* edit, const OLTextStyle& fontStyle) {
    edit->setFrame(false);
    edit->setAttribute(Qt::WA_MacShowFocusRect, false);
    edit->setFont(olFont(fontStyle));
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, OLColor::textPrimary.qcolor());
    palette.setColor(QPalette::PlaceholderText, OLColor::textMuted.qcolor());
    edit->setPalette(palette);
    edit->setAutoFillBackground(false);
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; padding: 0; }"));
}

} // namespace keldra
