#pragma once
// The search box: a magnifier, a frameless line edit and, at the end, a clear button while there is text,
// else the shortcut hint when one is given. The caller owns the text and may move focus into the field.
// Focus reached with Tab shows the kit's focus ring around the box.

#include "design/focus/FocusRing.h"
#include "design/theme/OLWidget.h"

#include <functional>

class QLineEdit;
class QAbstractButton;

namespace keldra {

class SearchShortcutHint;

class OLSearchField : public OLWidget {
    Q_OBJECT
public:
    OLSearchField(const QString& placeholder, const QString& text = {}, const QString& shortcut = {},
                  std::function<void()> onSubmit = {}, QWidget* parent = nullptr);

    QString text() const;
    // The caller's value changed elsewhere; does not emit textEdited.
    void setText(const QString& text);
    // The caller sets its focus state to true.
    void requestFocus();
    bool isFocused() const;

    QLineEdit* lineEdit() const { return edit_; }
    QAbstractButton* clearButton() const { return clear_; }
    // The shortcut hint, shown only while the text is empty.
    QWidget* shortcutHint() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void textEdited(const QString& text);
    // The field gained (true) or lost (false) keyboard focus.
    void focusChanged(bool focused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateAccessory();

    QLineEdit* edit_;
    QAbstractButton* clear_;
    SearchShortcutHint* hint_ = nullptr;
    KeyboardFocus keyboardFocus_;
};

} // namespace keldra
