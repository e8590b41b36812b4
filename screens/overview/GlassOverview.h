#pragma once
// The glass Overview: the page header with a search box that jumps to Restore, then a scrolling page of
// the main column (banner, the hero card with the orb, the status words, the security chips and the
// buttons, and three figure tiles) beside the sources column when at least 844 px fit inside the paddings,
// else above it. A run's samples of speed and progress update the orb, the run bar and the speed tile only.

#include "app/model/BackupHealth.h"
#include "design/theme/OLWidget.h"
#include "design/update/Refresh.h"

#include <optional>

class QBoxLayout;
class QHBoxLayout;
class QScrollArea;

namespace keldra {

class AppModelView;
class KeldraOrb;
class OLButton;
class OLProgressBar;
class OLSearchField;
class OLText;
class PlainButton;
class SourcesColumn;
class StatTile;
class StatusChip;

class GlassOverview : public OLWidget {
    Q_OBJECT
public:
    explicit GlassOverview(AppModelView& app, QWidget* parent = nullptr);

    OLSearchField* searchField() const { return search_; }
    // The hero card's content, which cross-fades into the next health.
    QWidget* hero() const { return hero_; }
    KeldraOrb* orb() const { return orb_; }
    OLText* titleText() const { return title_; }
    OLText* sentenceText() const { return sentence_; }
    OLProgressBar* runBar() const { return runBar_; }
    StatusChip* keyChip() const { return keyChip_; }
    // Hidden without a primary action.
    OLButton* primaryButton() const { return primary_; }
    OLButton* restoreButton() const { return restore_; }
    StatTile* storageTile() const { return storage_; }
    StatTile* activityTile() const { return activity_; }
    StatTile* lastBackupTile() const { return last_; }
    // The button around the last-backup tile, present when it opens Activity.
    PlainButton* lastBackupButton() const { return lastButton_; }
    SourcesColumn* sourcesColumn() const { return sources_; }
    QScrollArea* scrollArea() const { return scroll_; }
    // Whether the sources column stands beside the main column.
    bool isWide() const;

    // The narrowest width, inside the paddings, that holds both columns side by side.
    int wideWidth() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHero();
    void refreshHero();
    void refreshRun();
    void rebuildTiles();
    void refreshSpeed();
    void arrange();
    void fitOrb();

    AppModelView& app_;
    OLSearchField* search_;
    QWidget* main_ = nullptr;
    SourcesColumn* sources_ = nullptr;
    QBoxLayout* columns_ = nullptr;
    QWidget* hero_ = nullptr;
    // The health the hero shows, to fade only when it changes.
    std::optional<BackupHealth> shownHealth_;
    QScrollArea* scroll_ = nullptr;
    // The orb fits once the layout has settled.
    NextTurn fitTurn_{this, [this] {
                          fitOrb();
                      }};
    KeldraOrb* orb_ = nullptr;
    OLText* title_ = nullptr;
    OLText* progressLine_ = nullptr;
    OLText* sentence_ = nullptr;
    OLProgressBar* runBar_ = nullptr;
    StatusChip* keyChip_ = nullptr;
    OLButton* primary_ = nullptr;
    OLButton* restore_ = nullptr;
    QHBoxLayout* tiles_ = nullptr;
    StatTile* storage_ = nullptr;
    StatTile* activity_ = nullptr;
    StatTile* last_ = nullptr;
    PlainButton* lastButton_ = nullptr;
};

} // namespace keldra
