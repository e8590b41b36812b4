#pragma once
// A fake model in a named state and a themed scope to host one screen part in, shown offscreen.

#include "design/theme/ThemeScope.h"
#include "gallery/fake/FakeAppModel.h"
#include "gallery/fake/FakeStates.h"

#include <QCoreApplication>
#include <QLocale>
#include <QWidget>
#include <memory>

namespace keldra::test {

inline void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

struct Hosted {
    explicit Hosted(const char* state, OLStyle style = OLStyle::glass) {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        applyFakeState(model, state);
        model.persistStyle(style);
        scope = std::make_unique<QWidget>();
        olSetTheme(scope.get(), OLTheme{style, OLAccent::frost, 999});
    }
    ~Hosted() {
        scope.reset();
        QLocale::setDefault(QLocale::system());
    }

    template <typename View, typename... Args> View* show(Args&&... args) {
        auto* view = new View(model, std::forward<Args>(args)..., scope.get());
        view->resize(1200, 760);
        scope->resize(1200, 760);
        scope->show();
        settle();
        return view;
    }

    FakeAppModel model;
    std::unique_ptr<QWidget> scope;
};

} // namespace keldra::test
