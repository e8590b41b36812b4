#pragma once
// The app's one confirmation: a window-modal question whose confirming action waits until the dialog has
// closed and its handlers returned, because what it does (sign out, lock, delete) may take the dialog's
// parent away.

#include <QMessageBox>
#include <QString>
#include <functional>

class QAbstractButton;
class QObject;
class QWidget;

namespace keldra {

// Opens the question over `parent` with open(); it deletes itself when closed. Its texts are plain, the
// message included (titles and messages carry names from data): `confirmTitle` in `confirmRole`, and Cancel,
// which is the default and what Escape or closing the window choose. `onConfirm` runs only for the
// confirming button, on a later turn of the event loop, and only while `context` still exists.
QMessageBox* openConfirmation(QWidget* parent, const QString& title, const QString& message,
                              const QString& confirmTitle, QMessageBox::ButtonRole confirmRole,
                              QObject* context, std::function<void()> onConfirm);

// The confirming button of a dialog openConfirmation opened.
QAbstractButton* confirmingButton(QMessageBox* box);

// Runs `change` on a later turn of the event loop, while `context` still exists.
void afterThisEvent(QObject* context, std::function<void()> change);

} // namespace keldra
