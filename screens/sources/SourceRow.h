#pragma once
// One backup source with its size, status line and (regular variant) last backup: compact in the Overview's
// sources column, regular with a remove button on the Backups page. Glass shows an icon tile on a soft
// rounded fill; signal a bare ruled row. The figures are the model's cached index figures, re-read only when
// they, the source's availability or the theme change.

#include "core/settings/BackupSource.h"
#include "design/theme/OLWidget.h"

#include <functional>

class QHBoxLayout;
class QMenu;

namespace keldra {

class AppModelView;
class IconTile;
class OLIconButton;
class OLText;

class SourceRow : public OLWidget {
    Q_OBJECT
public:
    // `onRemove`, when given, adds the remove button and the "Stop backing up…" menu item.
    SourceRow(AppModelView& app, BackupSource source, bool compact, std::function<void()> onRemove = {},
              QWidget* parent = nullptr);

    const BackupSource& source() const { return source_; }
    bool isCompact() const { return compact_; }
    OLText* nameText() const { return name_; }
    OLText* statusText() const { return status_; }
    OLText* sizeText() const { return size_; }
    // The last backup time: regular rows with a time only.
    OLText* lastBackupText() const { return last_; }
    // Glass only.
    IconTile* iconTile() const { return tile_; }
    OLIconButton* removeButton() const { return remove_; }
    // The row's context menu; the caller owns it.
    QMenu* makeMenu(QWidget* parent);

    QSize sizeHint() const override;

protected:
    void themeChanged(const OLTheme& theme) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void build();
    void refresh();

    AppModelView& app_;
    BackupSource source_;
    bool compact_;
    std::function<void()> onRemove_;
    IconTile* tile_ = nullptr;
    OLText* name_ = nullptr;
    OLText* status_ = nullptr;
    OLText* size_ = nullptr;
    OLText* last_ = nullptr;
    OLIconButton* remove_ = nullptr;
};

} // namespace keldra
