#pragma once
// The brand wordmark: the text logo "ORLIVANE" beside the product word "Keldra". No logo image ships, so
// the text logo is always drawn. One accessible element labelled "Orlivane Keldra".

#include <QWidget>

namespace keldra {

class KeldraWordmark : public QWidget {
    Q_OBJECT
public:
    explicit KeldraWordmark(bool compact = false, QWidget* parent = nullptr);

    bool isCompact() const { return compact_; }
    void setCompact(bool compact);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool compact_;
};

} // namespace keldra
