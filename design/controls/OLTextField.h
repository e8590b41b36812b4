#pragma once
// The form field: a frameless line edit inside a painted frame, with a 2 px focus ring while it has focus
// (not animated). Secure fields hide what is typed. `onSubmit` runs on Return when given.

#include "design/theme/OLWidget.h"

#include <functional>

class QLineEdit;

namespace keldra {

class OLTextField : public OLWidget {
    Q_OBJECT
public:
    OLTextField(const QString& placeholder, const QString& text = {}, bool secure = false, bool mono = false,
                std::function<void()> onSubmit = {}, QWidget* parent = nullptr);

    QString text() const;
    // The caller's value changed elsewhere; does not emit textEdited.
    void setText(const QString& text);
    QLineEdit* lineEdit() const { return edit_; }
    bool isFocused() const { return focused_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user changed the text.
    void textEdited(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* edit_;
    bool focused_ = false;
};

} // namespace keldra
