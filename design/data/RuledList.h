#pragma once
// A vertical list of rows under a 1 px rule, as the data list and the run log draw it. Rows are replaced
// as a whole when the data changes.

#include <QWidget>

class QVBoxLayout;

namespace keldra {

class RuledList : public QWidget {
    Q_OBJECT
public:
    explicit RuledList(QWidget* parent = nullptr);

    // The row widgets in order.
    QList<QWidget*> rowWidgets() const;

protected:
    void clearRows();
    void addRow(QWidget* row);
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* layout_;
};

} // namespace keldra
