#pragma once
// One recorded run in the Activity list: start time and trigger, a status dot and title, what was
// uploaded and how long it took, in columns that line up with RunColumnHeader. Clicking it selects it.

#include "core/index/IndexRows.h"
#include "design/theme/OLWidget.h"

#include <functional>

namespace keldra {

class OLText;

// The columns' fixed widths and spacing, shared by the header and the rows.
inline constexpr int runResultWidth = 170;
inline constexpr int runUploadedWidth = 110;
inline constexpr int runTookWidth = 70;

class RunRow : public OLWidget {
    Q_OBJECT
public:
    // `now` is the model's clock, for "Today …" and "Yesterday …".
    RunRow(const RunRecord& run, bool selected, SystemTime now, std::function<void()> action,
           QWidget* parent = nullptr);

    const RunRecord& run() const { return run_; }
    // Shows `run` (the same run, recorded again) in place; nothing is redrawn when nothing changed.
    void setRun(const RunRecord& run, SystemTime now);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool isHovering() const { return hovering_; }

    // The started cell's width with its start time and trigger uncut.
    int startedMinimumWidth() const;
    QString startedText() const;
    QString resultText() const;
    QString uploadedText() const;
    QString tookText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    RunRecord run_;
    SystemTime now_;
    bool selected_;
    std::function<void()> action_;
    bool hovering_ = false;
    OLText* started_;
    OLText* trigger_;
    QWidget* dot_;
    OLText* result_;
    OLText* uploaded_;
    OLText* took_;
};

// The titles over the run list: "Started", "Result", "Uploaded", "Took", ruled below.
class RunColumnHeader : public OLWidget {
    Q_OBJECT
public:
    explicit RunColumnHeader(QWidget* parent = nullptr);

protected:
    void applyTheme(const OLTheme& theme) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<OLText*> labels_;
};

} // namespace keldra
