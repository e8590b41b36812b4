#pragma once
// Named states of the fake model, for the gallery's screen pages and the widget tests: each phase, each
// setup step, the ready window in its main moods, and one state per banner of the main window.

#include "gallery/fake/FakeAppModel.h"

#include <functional>
#include <string>
#include <vector>

namespace keldra {

struct FakeState {
    std::string name; // "launching", "ready-running", "banner-offline", ...
    std::function<void(FakeAppModel&)> apply;
};

// Every named state, in gallery order.
std::vector<FakeState> fakeStates();
// The states whose names start with `prefix`.
std::vector<FakeState> fakeStates(const std::string& prefix);
// Puts `model` in the named state; false for an unknown name.
bool applyFakeState(FakeAppModel& model, const std::string& name);

} // namespace keldra
