#pragma once
// The third setup step: the first backup sources. The three usual home folders switch on and off, every
// other chosen place is listed with a remove button, and more are added through the folder chooser. The
// step keeps no list of its own: it redraws from the model's sources.

#include "design/theme/OLWidget.h"

#include <functional>
#include <vector>

class QVBoxLayout;

namespace keldra {

class AppModelView;
class OLButton;
class ReturnRouter;
class SetupSourceRow;
class SuggestionRow;
struct FolderChoice;

class FoldersStep : public OLWidget {
    Q_OBJECT
public:
    FoldersStep(AppModelView& app, std::function<void()> next, QWidget* parent = nullptr);

    // Opens the chooser for folders, files or drives; the chosen places are added as sources.
    void addMore();
    // What the chooser is asked for.
    static FolderChoice sourceChoice();

    const std::vector<SuggestionRow*>& suggestionRows() const { return suggestions_; }
    const std::vector<SetupSourceRow*>& sourceRows() const { return sources_; }
    OLButton* addButton() const { return add_; }
    OLButton* continueButton() const { return continue_; }

private:
    void rebuild();
    void toggle(std::size_t suggestion, bool wasOn);

    AppModelView& app_;
    std::function<void()> next_;
    QVBoxLayout* stack_;
    QWidget* list_;
    std::vector<SuggestionRow*> suggestions_;
    std::vector<SetupSourceRow*> sources_;
    OLButton* add_;
    OLButton* continue_;
    ReturnRouter* router_;
};

} // namespace keldra
