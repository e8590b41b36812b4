#pragma once
// Six boxes for a six-digit code, as one focusable control: typed keys, Backspace, paste and input-method
// text all pass the same filter (ASCII digits, at most six), and every write that leaves six digits calls
// `onComplete`. The box to fill next is ringed in the accent while the control has focus.

#include "design/access/OLAccessibleControl.h"
#include "design/theme/OLWidget.h"

#include <functional>

namespace keldra {

class CodeBoxes : public OLWidget, public OLAccessibleControl {
    Q_OBJECT
public:
    CodeBoxes(QString code, std::function<void()> onComplete, QWidget* parent = nullptr);

    QString code() const { return code_; }
    // The caller's value changed elsewhere (kept as given, filtered the same way); calls nothing.
    void setCode(const QString& code);
    // Text arriving from the keyboard, a paste or an input method: appended, then filtered.
    void insertText(const QString& text);
    // The highlighted box, or -1 without focus.
    int activeBox() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    OLAccessibleDescription accessibleDescription() const override;

signals:
    // The code changed by the user's input.
    void codeEdited(const QString& code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void write(const QString& text);

    QString code_;
    std::function<void()> onComplete_;
    // Follows focus events rather than asking the window, so the boxes draw what they were last told.
    bool focused_ = false;
};

} // namespace keldra
