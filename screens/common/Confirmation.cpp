#include "screens/common/Confirmation.h"

#include <QLabel>
#include <QPushButton>

namespace keldra {

namespace {
const char* const confirmName = "confirm";
const char* const cancelName = "cancel";
} // namespace

QMessageBox* openConfirmation(QWidget* parent, const QString& title, const QString& message,
                              const QString& confirmTitle, std::function<void()> confirm) {
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setTextFormat(Qt::PlainText);
    box->setWindowTitle(title);
    box->setText(title);
    box->setInformativeText(message);
    if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        informative->setTextFormat(Qt::PlainText);
    }
    QPushButton* accept = box->addButton(confirmTitle, QMessageBox::AcceptRole);
    accept->setObjectName(QString::fromLatin1(confirmName));
    QPushButton* cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QString::fromLatin1(cancelName));
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::buttonClicked, box,
                     [accept, confirm = std::move(confirm)](QAbstractButton* button) {
                         if (button == accept && confirm) {
                             confirm();
                         }
                     });
    box->open();
    return box;
}

QAbstractButton* confirmButton(QMessageBox* box) {
    return box->findChild<QAbstractButton*>(QString::fromLatin1(confirmName));
}

QAbstractButton* cancelButton(QMessageBox* box) {
    return box->findChild<QAbstractButton*>(QString::fromLatin1(cancelName));
}

} // namespace keldra
