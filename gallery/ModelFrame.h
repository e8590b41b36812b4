#pragma once
// A fake model and the view drawn from it, for the screen pages of the gallery. The view is destroyed
// first, as it reads the model to its end.

#include "app/model/ThemeValues.h"
#include "gallery/fake/FakeStates.h"

#include <QVBoxLayout>
#include <QWidget>
#include <memory>

namespace keldra::gallery {

class ModelFrame : public QWidget {
public:
    explicit ModelFrame(std::unique_ptr<FakeAppModel> model) : model_(std::move(model)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    ~ModelFrame() override { delete view_; }

    FakeAppModel& model() { return *model_; }
    void setView(QWidget* view) {
        view_ = view;
        layout()->addWidget(view);
    }

private:
    std::unique_ptr<FakeAppModel> model_;
    QWidget* view_ = nullptr;
};

// A fake model in the theme's style and accent, then in `state`.
inline std::unique_ptr<FakeAppModel> modelIn(const FakeState& state, const OLTheme& theme) {
    auto model = std::make_unique<FakeAppModel>();
    model->persistStyle(theme.style);
    model->persistAccent(theme.accent);
    state.apply(*model);
    return model;
}

} // namespace keldra::gallery
