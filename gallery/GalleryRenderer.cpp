#include "gallery/GalleryRenderer.h"

#include "design/theme/OLColor.h"
#include "design/theme/ThemeScope.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPainter>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

namespace keldra::gallery {
namespace {

// The window background the component sits on.
class Frame : public QWidget {
public:
    Frame() { setAttribute(Qt::WA_DontShowOnScreen); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), OLColor::background.qcolor());
    }
};

QString raw(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString fileName(const GalleryEntry& entry, const OLTheme& theme) {
    return QStringLiteral("%1-%2-%3-%4.png")
        .arg(entry.component, entry.state, raw(rawValue(theme.style)), raw(rawValue(theme.accent)));
}

QImage render(const GalleryEntry& entry, const OLTheme& theme) {
    auto frame = std::make_unique<Frame>();
    olSetTheme(frame.get(), theme);
    auto* layout = new QVBoxLayout(frame.get());
    layout->setContentsMargins(frameMargin, frameMargin, frameMargin, frameMargin);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QWidget* component = entry.make(theme);
    if (entry.width > 0)
        component->setFixedWidth(entry.width);
    layout->addWidget(component);
    frame->show();
    if (entry.activeWindow)
        QApplication::setActiveWindow(frame.get());
    layout->activate();
    for (int round = 0; round < entry.settleRounds; ++round)
        QCoreApplication::processEvents();
    return frame->grab().toImage();
}

} // namespace keldra::gallery
