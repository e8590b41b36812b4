// The main window's screens on the fake model: the root view in each phase, the shell in each ready mood
// and with each banner, and the run panel's texts per state.

#include "design/data/DataList.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "gallery/GalleryEntry.h"
#include "gallery/ModelFrame.h"
#include "gallery/fake/FakeStates.h"
#include "screens/root/RootView.h"
#include "screens/run/RunPanelText.h"

#include <QVBoxLayout>

namespace keldra::gallery {
namespace {

QWidget* window(const FakeState& state, const OLTheme& theme) {
    auto* frame = new ModelFrame(modelIn(state, theme));
    frame->setView(new RootView(frame->model(), frame));
    frame->setFixedSize(RootView::minimumWidth, RootView::minimumHeight);
    return frame;
}

// The ready window at a given size, its chrome included.
QWidget* windowAt(const FakeState& state, const OLTheme& theme, QSize size) {
    auto* frame = new ModelFrame(modelIn(state, theme));
    frame->setView(new RootView(frame->model(), frame));
    frame->setFixedSize(size);
    return frame;
}

QWidget* runPanel(const FakeState& state, const OLTheme& theme) {
    auto* frame = new ModelFrame(modelIn(state, theme));
    auto* column = new QWidget(frame);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    layout->addWidget(new DataList(runPanelRows(frame->model()), 38, column));
    auto* line = new OLText(nextRunLine(frame->model()), OLTextStyle::caption, OLColor::textMuted, column);
    layout->addWidget(line);
    frame->setView(column);
    return frame;
}

bool isPhaseState(const std::string& name) {
    return !name.starts_with("ready-") && !name.starts_with("banner-") && !name.starts_with("full-");
}

} // namespace

std::vector<GalleryEntry> screenEntries() {
    std::vector<GalleryEntry> entries;
    const auto states = fakeStates();
    for (const auto& state : states) {
        if (isPhaseState(state.name) || state.name == "ready-protected") {
            entries.push_back(
                {QStringLiteral("root"), QString::fromStdString(state.name), [state](const OLTheme& theme) {
                     return window(state, theme);
                 }});
        }
    }
    for (const auto& state : states) {
        if (!isPhaseState(state.name)) {
            entries.push_back(
                {QStringLiteral("shell"), QString::fromStdString(state.name), [state](const OLTheme& theme) {
                     return window(state, theme);
                 }});
        }
    }
    // The Overview with its chrome at the default window size and at the minimum.
    for (const auto& state : states) {
        if (state.name.starts_with("ready-")) {
            entries.push_back({QStringLiteral("overview"), QString::fromStdString(state.name),
                               [state](const OLTheme& theme) {
                                   return windowAt(state, theme, QSize(1200, 760));
                               }});
            entries.push_back(
                {QStringLiteral("overview"), QString::fromStdString(state.name) + QStringLiteral("-min"),
                 [state](const OLTheme& theme) {
                     return windowAt(state, theme, QSize(RootView::minimumWidth, RootView::minimumHeight));
                 }});
        }
    }
    for (const auto& state : states) {
        if (state.name.starts_with("ready-")) {
            entries.push_back({QStringLiteral("run-panel"), QString::fromStdString(state.name),
                               [state](const OLTheme& theme) { return runPanel(state, theme); }, 420});
        }
    }
    return entries;
}

} // namespace keldra::gallery
