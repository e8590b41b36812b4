#pragma once
// Makes each Return or Enter on a screen act once: the focused field's submit when it has one, otherwise
// the screen's default button when it accepts clicks. A focused button handles its own Return. Fields
// register their submit here instead of with the line edit, so a Return never both submits and presses.

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QWidget;

namespace keldra {

class OLAbstractButton;

class ReturnRouter : public QObject {
    Q_OBJECT
public:
    // Watches Returns that reach `root` unhandled.
    explicit ReturnRouter(QWidget* root);

    // The button Return presses when no field with a submit has focus; null for none.
    void setDefaultButton(OLAbstractButton* button);
    OLAbstractButton* defaultButton() const { return defaultButton_; }
    // Return while `field` (or a widget inside it) has focus runs `submit` instead; a field added again
    // keeps only its latest submit.
    void addField(QWidget* field, std::function<void()> submit);
    // Return in `field` goes back to the default button.
    void removeField(QWidget* field);
    std::size_t fieldCount() const { return fields_.size(); }

    // Acts on one Return as the screen would.
    void route();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Field {
        QPointer<QWidget> widget;
        std::function<void()> submit;
    };

    QPointer<QWidget> root_;
    QPointer<OLAbstractButton> defaultButton_;
    std::vector<Field> fields_;
};

} // namespace keldra
