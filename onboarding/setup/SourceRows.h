#pragma once
// The rows of the folders step: a suggested home folder that switches on and off, and a chosen source with
// its kind's icon, its name, its shortened path and a remove button. Both sit on the same rounded frame,
// whose corners follow the style.

#include "design/access/OLAccessibleControl.h"
#include "design/button/OLAbstractButton.h"
#include "design/theme/OLWidget.h"

#include <functional>

namespace keldra {

class IconTile;
class OLIconButton;
class OLText;

// The frame's corner radius: 16 in glass, 10 in signal.
double sourceRowRadius(const OLTheme& theme);

class SuggestionRow : public OLAbstractButton, public OLAccessibleControl {
    Q_OBJECT
public:
    SuggestionRow(const QString& name, bool on, QWidget* parent = nullptr);

    bool isOn() const { return on_; }
    QString name() const { return name_; }

    OLAccessibleDescription accessibleDescription() const override;
    void accessiblePress() override { click(); }
    bool hasAccessiblePress() const override { return true; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    bool on_;
};

class SetupSourceRow : public OLWidget {
    Q_OBJECT
public:
    // `icon` is the asset name of the source's kind; `remove` runs from the close button.
    SetupSourceRow(const QString& icon, const QString& name, const QString& path,
                   std::function<void()> remove, QWidget* parent = nullptr);

    QString iconName() const;
    OLText* nameText() const { return name_; }
    OLText* pathText() const { return path_; }
    OLIconButton* removeButton() const { return remove_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    IconTile* tile_;
    OLText* name_;
    OLText* path_;
    OLIconButton* remove_;
    QString icon_;
};

} // namespace keldra
