#include "design/data/DataList.h"

#include "design/access/OLAccessibleControl.h"
#include "design/status/ToneColors.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>
#include <memory>

namespace keldra {

namespace {

OLRgba valueColor(std::optional<StatusTone> tone) {
    return tone ? toneTextColor(*tone) : OLColor::textPrimary;
}

QString shownValue(const QString& value) {
    return value.isEmpty() ? QStringLiteral("\u2014") : value;
}

class DataListRow : public QWidget, public OLAccessibleControl {
public:
    DataListRow(const DataList* list, int index, const DataRowModel& row, double height, QWidget* parent)
        : QWidget(parent), list_(list), index_(index), row_(row) {
        setFixedHeight(static_cast<int>(std::round(height)));
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        // Stack spacing 12 on both sides of a spacer of at least 8.
        layout->setSpacing(0);
        auto* label = new OLText(row.label, OLTextStyle::eyebrow, OLColor::textMuted, this);
        label->setMaxLines(1);
        auto* value = new OLText(shownValue(row.value), OLTextStyle::mono, valueColor(row.tone), this);
        value->setMaxLines(1);
        value->setElideMode(Qt::ElideMiddle);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        layout->addWidget(label, 0, Qt::AlignVCenter);
        layout->addSpacing(12 + 8 + 12);
        layout->addWidget(value, 1, Qt::AlignVCenter);
    }

    OLAccessibleDescription accessibleDescription() const override {
        return {QAccessible::StaticText, row_.label, shownValue(row_.value)};
    }
    // A screen reader's press runs the row's copy command.
    void accessiblePress() override {
        std::unique_ptr<QMenu> menu(list_->makeRowMenu(index_, nullptr));
        menu->actions().constFirst()->trigger();
    }
    bool hasAccessiblePress() const override { return true; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(QRectF(0, height() - 1, width(), 1), OLColor::hairline.qcolor());
    }

    void contextMenuEvent(QContextMenuEvent* event) override {
        QMenu* menu = list_->makeRowMenu(index_, this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPos());
    }

private:
    const DataList* list_;
    int index_;
    DataRowModel row_;
};

} // namespace

QString capitalizedWords(const QString& text) {
    QString out;
    out.reserve(text.size());
    bool wordStart = true;
    for (QChar c : text) {
        if (c.isSpace()) {
            wordStart = true;
            out.append(c);
        } else {
            out.append(wordStart ? c.toUpper() : c.toLower());
            wordStart = false;
        }
    }
    return out;
}

DataList::DataList(std::vector<DataRowModel> rows, double rowHeight, QWidget* parent)
    : RuledList(parent), rows_(std::move(rows)), rowHeight_(rowHeight) {
    rebuild();
}

void DataList::setRows(std::vector<DataRowModel> rows) {
    if (rows == rows_)
        return;
    rows_ = std::move(rows);
    rebuild();
}

void DataList::rebuild() {
    clearRows();
    for (size_t i = 0; i < rows_.size(); ++i)
        addRow(new DataListRow(this, static_cast<int>(i), rows_[i], rowHeight_, this));
}

QMenu* DataList::makeRowMenu(int index, QWidget* parent) const {
    auto* menu = new QMenu(parent);
    const DataRowModel row = rows_.at(static_cast<size_t>(index));
    QString title = tr("Copy ") + capitalizedWords(row.label);
    // A label is data: an ampersand is shown, never taken as a mnemonic.
    title.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* copy = menu->addAction(title);
    connect(copy, &QAction::triggered, menu, [value = row.value] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(value);
    });
    return menu;
}

} // namespace keldra
