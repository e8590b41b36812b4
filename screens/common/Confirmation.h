#pragma once
// A window-modal question with one confirming button and "Cancel" (the reject role, so Escape and closing
// the window cancel too). Every text is plain: titles carry names from data.

#include <QMessageBox>
#include <functional>

namespace keldra {

// Opens the dialog (it deletes itself when closed); `confirm` runs only for the confirming button.
QMessageBox* openConfirmation(QWidget* parent, const QString& title, const QString& message,
                              const QString& confirmTitle, std::function<void()> confirm);

// The dialog's confirming button.
QAbstractButton* confirmButton(QMessageBox* box);
QAbstractButton* cancelButton(QMessageBox* box);

} // namespace keldra
