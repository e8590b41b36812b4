#include "design/controls/OLConfirmation.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace keldra {

namespace {
const char* const confirmingName = "confirming";
} // namespace

QMessageBox* openConfirmation(QWidget* parent, const QString& title, const QString& message,
                              const QString& confirmTitle, QMessageBox::ButtonRole confirmRole,
                              QObject* context, std::function<void()> onConfirm) {
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setText(title);
    box->setInformativeText(message);
    if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        informative->setTextFormat(Qt::PlainText);
    }
    box->setIcon(QMessageBox::NoIcon);
    QPushButton* confirm = box->addButton(confirmTitle, confirmRole);
    confirm->setObjectName(QString::fromLatin1(confirmingName));
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QPointer<QObject> target(context);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, confirm, target, onConfirm = std::move(onConfirm)] {
                         if (box->clickedButton() == confirm && target) {
                             afterThisEvent(target, onConfirm);
                         }
                     });
    box->open();
    return box;
}

QAbstractButton* confirmingButton(QMessageBox* box) {
    return box->findChild<QAbstractButton*>(QString::fromLatin1(confirmingName));
}

void afterThisEvent(QObject* context, std::function<void()> change) {
    QMetaObject::invokeMethod(context, std::move(change), Qt::QueuedConnection);
}

} // namespace keldra
