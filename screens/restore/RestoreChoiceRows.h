#pragma once
// The detail card's choosable rows, each with a selection ring: a version of the selected file (date,
// "Latest" on the newest, size; 36 px, a hairline below) and a destination (title over a subtitle cut in
// the middle). Both are buttons whose whole rectangle is the target; the chosen one reads as checked.

#include "design/button/OLAbstractButton.h"

#include <QString>

class QPainter;

namespace keldra {

// The 16 px ring: a 5 px accent stroke inside the edge when selected, else a faint 1.5 px one.
void drawSelectionRing(QPainter& painter, const QRectF& rect, bool selected, const QColor& accent);

class StatusChip;

class VersionRow final : public OLAbstractButton {
    Q_OBJECT
public:
    VersionRow(QString date, QString size, bool latest, bool selected, QWidget* parent = nullptr);

    const QString& dateText() const { return date_; }
    const QString& sizeText() const { return size_; }
    StatusChip* latestChip() const { return chip_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString date_;
    QString size_;
    StatusChip* chip_ = nullptr;
};

class DestinationOption final : public OLAbstractButton {
    Q_OBJECT
public:
    DestinationOption(QString title, QString subtitle, bool selected, QWidget* parent = nullptr);

    const QString& title() const { return title_; }
    const QString& subtitle() const { return subtitle_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    QString subtitle_;
};

} // namespace keldra
