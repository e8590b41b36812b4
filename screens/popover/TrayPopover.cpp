#include "screens/popover/TrayPopover.h"

#include "app/model/AppModelView.h"
#include "core/events/ByteCount.h"
#include "core/events/Formatters.h"
#include "core/events/NumberFormat.h"
#include "design/brand/KeldraWordmark.h"
#include "design/button/OLButton.h"
#include "design/button/OLIconButton.h"
#include "design/controls/OLProgressBar.h"
#include "design/data/DataList.h"
#include "design/data/ThroughputChart.h"
#include "design/health/HealthPresentation.h"
#include "design/layout/OLRule.h"
#include "design/orb/KeldraOrb.h"
#include "design/shape/ContinuousRect.h"
#include "design/status/StatusChip.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "screens/popover/PopoverTexts.h"
#include "screens/presentation/ActionPresentation.h"
#include "screens/presentation/ChipPresentation.h"
#include "screens/presentation/RunPresentation.h"
#include "screens/presentation/StoragePresentation.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

namespace keldra {

namespace {

constexpr int padding = 18;
constexpr int spacing = 16;

QString actionTitle(PrimaryAction action) {
    return QString::fromStdString(primaryActionTitle(action));
}

const OLTextStyle glassTitleStyle{24,    OLFontWeight::heavy,        1.2, -0.7 / 24, false,
                                  false, OLRelativeTextStyle::title2};
const OLTextStyle signalStatusStyle{
    52, OLFontWeight::heavy, 1.0, -2.6 / 52, false, false, OLRelativeTextStyle::largeTitle};
const OLTextStyle pillValueStyle{17,    OLFontWeight::medium,         1.2, 0, true,
                                 false, OLRelativeTextStyle::headline};
const OLTextStyle pillExtraStyle{10,    OLFontWeight::regular,        1.2, 0, true,
                                 false, OLRelativeTextStyle::caption2};
const OLTextStyle quitStyle{13, OLFontWeight::regular, 1.2, 0, false, false, OLRelativeTextStyle::callout};
// The eyebrow without its upper-casing: the shortcut reads "Ctrl+O", as the desktop writes it.
OLTextStyle footerStyle() {
    OLTextStyle style = OLTextStyle::eyebrow;
    style.uppercase = false;
    return style;
}

bool showsStatus(AppPhase phase) {
    return phase == AppPhase::ready || phase == AppPhase::unlock;
}

struct BodyStart {
    QVBoxLayout* layout;
    QHBoxLayout* header;
};

// The column of a popover body and its header row, already in the column: the wordmark, then room for what
// the style puts at the header's end.
BodyStart startBody(QWidget* body) {
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(spacing);
    auto* header = new QHBoxLayout;
    header->addWidget(new KeldraWordmark(true, body), 0, Qt::AlignVCenter);
    header->addStretch(1);
    layout->addLayout(header);
    return {layout, header};
}

} // namespace

StatPill::StatPill(QWidget* parent) : OLWidget(parent) {
    setFixedHeight(44);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->setSpacing(6);
    label_ = new OLText(QString(), OLTextStyle::callout, OLColor::textSecondary, this);
    label_->setMaxLines(1);
    layout->addWidget(label_, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    value_ = new OLText(QString(), pillValueStyle, OLColor::textPrimary, this);
    value_->setMaxLines(1);
    value_->setMinimumScale(0.6);
    layout->addWidget(value_, 0, Qt::AlignVCenter);
    extra_ = new OLText(QString(), pillExtraStyle, OLColor::textMuted, this);
    extra_->setMaxLines(1);
    extra_->setMinimumScale(0.7);
    layout->addWidget(extra_, 0, Qt::AlignVCenter);
}

void StatPill::set(const QString& label, const QString& value, std::optional<QString> extra) {
    label_->setText(label);
    value_->setText(value);
    extra_->setText(extra.value_or(QString()));
    extra_->setVisible(extra.has_value());
}

QString StatPill::label() const {
    return label_->text();
}
QString StatPill::value() const {
    return value_->text();
}
QString StatPill::extra() const {
    return extra_->isVisibleTo(this) ? extra_->text() : QString();
}

void StatPill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(continuousRect(QRectF(rect()), radius(theme())),
                     OLColor::surfaceRaised.opacity(0.7).qcolor());
}

TextLink::TextLink(const QString& text, const OLTextStyle& style, const OLRgba& color, QWidget* parent)
    : QAbstractButton(parent) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    text_ = new OLText(text, style, color, this);
    text_->setMaxLines(1);
    text_->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(text_);
}

QSize TextLink::sizeHint() const {
    return layout()->sizeHint();
}

void TextLink::setColor(const OLRgba& color) {
    text_->setColor(color);
}

const OLRgba& TextLink::color() const {
    return text_->color();
}

void TextLink::paintEvent(QPaintEvent*) {}

TrayPopover::TrayPopover(AppModelView& app, std::function<void()> openWindow, std::function<void()> quit,
                         QWidget* parent)
    : OLWidget(parent), app_(app), openWindow_(std::move(openWindow)), quit_(std::move(quit)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    connectEach(&app_,
                {&AppModelView::statusChanged, &AppModelView::phaseChanged, &AppModelView::isRunningChanged,
                 &AppModelView::progressChanged, &AppModelView::currentSpeedChanged,
                 &AppModelView::throughputChanged, &AppModelView::keldraStatusChanged,
                 &AppModelView::lastSuccessChanged, &AppModelView::unattendedChanged,
                 &AppModelView::keldraKeyChanged, &AppModelView::indexFiguresChanged,
                 &AppModelView::styleChanged, &AppModelView::accentChanged,
                 &AppModelView::popoverStyleChanged},
                this, [this] { refreshTurn_.schedule(); });
    refresh();
}

void TrayPopover::quitApp() {
    if (quit_) {
        quit_();
    }
}

void TrayPopover::openApp(AppSection section) {
    if (app_.phase() == AppPhase::ready && app_.section() != section) {
        app_.setSection(section);
    }
    if (openWindow_) {
        openWindow_();
    }
}

void TrayPopover::runPrimaryAction(PrimaryAction action) {
    app_.perform(action);
    if (action == PrimaryAction::review || action == PrimaryAction::unlock ||
        action == PrimaryAction::signIn) {
        openApp(AppSection::overview);
    }
}

TrayPopover::Shape TrayPopover::currentShape() const {
    Shape shape;
    shape.signal = app_.popoverTheme().style == OLStyle::signal;
    shape.status = showsStatus(app_.phase());
    shape.action = app_.primaryAction();
    shape.running = app_.isRunning();
    return shape;
}

void TrayPopover::refresh() {
    const OLTheme theme = app_.popoverTheme();
    if (!(olTheme(this) == theme)) {
        olSetTheme(this, theme);
    }
    const Shape shape = currentShape();
    if (!built_ || !(shape == shape_)) {
        shape_ = shape;
        rebuild();
    }
    updateValues();
}

void TrayPopover::rebuild() {
    built_ = true;
    if (body_) {
        body_->hide();
        body_->deleteLater();
    }
    status_ = signIn_ = nullptr;
    primary_ = nullptr;
    title_ = line_ = speed_ = nullptr;
    orb_ = nullptr;
    bar_ = nullptr;
    storagePill_ = secondPill_ = nullptr;
    chip_ = nullptr;
    data_ = nullptr;
    chart_ = nullptr;
    footerOpen_ = footerQuit_ = nullptr;
    openLink_ = nullptr;
    openShortcut_ = quitShortcut_ = nullptr;
    signal_ = shape_.signal;
    QWidget* body = signal_ ? buildSignal() : buildGlass();
    layout()->addWidget(body);
    body_ = body;
    adjustSize();
    if (QWidget* window = this->window(); window != this) {
        window->adjustSize();
    }
}

QWidget* TrayPopover::buildDivider(QWidget* parent, int topPadding) {
    auto* holder = new QWidget(parent);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, topPadding, 0, 0);
    layout->addWidget(new OLRule(holder, OLColor::hairline));
    return holder;
}

QWidget* TrayPopover::buildSignIn(QWidget* parent) {
    auto* prompt = new QWidget(parent);
    auto* layout = new QVBoxLayout(prompt);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(new OLText(QStringLiteral("Sign in to start backing up this computer."),
                                 OLTextStyle::callout, OLColor::textSecondary, prompt));
    auto* open = new OLButton(QStringLiteral("Open Orlivane Keldra"), OLButtonKind::primary, prompt);
    open->setFullWidth(true);
    connect(open, &OLButton::clicked, this, [this] { openApp(AppSection::overview); });
    layout->addWidget(open);
    signIn_ = prompt;
    return prompt;
}

QWidget* TrayPopover::buildGlass() {
    auto* body = new QWidget(this);
    const auto [layout, header] = startBody(body);
    auto* gear =
        new OLIconButton(QStringLiteral("icon-settings-sliders"), QStringLiteral("Settings"), 26, body);
    connect(gear, &OLIconButton::clicked, this, [this] { openApp(AppSection::settings); });
    header->addWidget(gear, 0, Qt::AlignVCenter);

    if (shape_.status) {
        auto* block = new QWidget(body);
        auto* blockLayout = new QVBoxLayout(block);
        blockLayout->setContentsMargins(0, 6, 0, 0);
        blockLayout->setSpacing(spacing);
        const std::optional<PrimaryAction> action = shape_.action;
        orb_ = new KeldraOrb(
            HealthPresentation{app_.health(), app_.popoverTheme()}, std::nullopt, 120, QString(),
            [this] {
                if (const auto current = app_.primaryAction()) {
                    runPrimaryAction(*current);
                } else {
                    openApp(AppSection::overview);
                }
            },
            block);
        blockLayout->addWidget(orb_, 0, Qt::AlignHCenter);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(6);
        title_ = new OLText(QString(), glassTitleStyle, OLColor::textPrimary, block);
        title_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        texts->addWidget(title_);
        line_ = new OLText(QString(), OLTextStyle::mono, OLColor::textSecondary, block);
        line_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        texts->addWidget(line_);
        blockLayout->addLayout(texts);
        if (shape_.running) {
            auto* barHolder = new QWidget(block);
            auto* barLayout = new QHBoxLayout(barHolder);
            barLayout->setContentsMargins(8, 0, 8, 0);
            bar_ = new OLProgressBar(0, OLColor::toneWarning, 4, QStringLiteral("Progress"), barHolder);
            barLayout->addWidget(bar_);
            blockLayout->addWidget(barHolder);
        }
        auto* pills = new QHBoxLayout;
        pills->setSpacing(10);
        storagePill_ = new StatPill(block);
        secondPill_ = new StatPill(block);
        pills->addWidget(storagePill_, 1);
        pills->addWidget(secondPill_, 1);
        blockLayout->addLayout(pills);
        if (action) {
            primary_ = new OLButton(actionTitle(*action), OLButtonKind::primary, block);
            primary_->setIconName(
                QString::fromStdString(primaryActionGlassIcon(*action).value_or(std::string())));
            primary_->setFullWidth(true);
            connect(primary_, &OLButton::clicked, this, [this, action] { runPrimaryAction(*action); });
            blockLayout->addWidget(primary_);
        }
        status_ = block;
        layout->addWidget(block);
    } else {
        layout->addWidget(buildSignIn(body));
    }

    layout->addWidget(buildDivider(body, 4));
    auto* footer = new QHBoxLayout;
    auto* open = new OLButton(QStringLiteral("Open Orlivane Keldra"), OLButtonKind::text, body);
    open->setFixedHeight(34);
    connect(open, &OLButton::clicked, this, [this] { openApp(AppSection::overview); });
    footer->addWidget(open, 0, Qt::AlignVCenter);
    footer->addStretch(1);
    auto* quit = new TextLink(QStringLiteral("Quit"), quitStyle, OLColor::textSecondary, body);
    connect(quit, &TextLink::clicked, this, &TrayPopover::quitApp);
    footer->addWidget(quit, 0, Qt::AlignVCenter);
    layout->addLayout(footer);
    footerOpen_ = open;
    footerQuit_ = quit;
    return body;
}

QWidget* TrayPopover::buildSignal() {
    auto* body = new QWidget(this);
    const auto [layout, header] = startBody(body);
    chip_ = new StatusChip(QString(), StatusTone::secure, true, false, body);
    header->addWidget(chip_, 0, Qt::AlignVCenter);

    if (shape_.status) {
        auto* block = new QWidget(body);
        auto* blockLayout = new QVBoxLayout(block);
        blockLayout->setContentsMargins(0, 0, 0, 0);
        blockLayout->setSpacing(spacing);
        title_ = new OLText(QString(), signalStatusStyle, OLColor::textPrimary, block);
        title_->setMaxLines(1);
        title_->setMinimumScale(0.6);
        blockLayout->addWidget(title_);
        data_ = new DataList({}, 38, block);
        blockLayout->addWidget(data_);
        auto* upload = new QHBoxLayout;
        upload->addWidget(
            new OLText(QStringLiteral("UPLOAD \u00B7 60S"), OLTextStyle::eyebrow, OLColor::textMuted, block),
            0, Qt::AlignVCenter);
        upload->addStretch(1);
        speed_ = new OLText(QString(), OLTextStyle::mono, OLColor::textMuted, block);
        upload->addWidget(speed_, 0, Qt::AlignVCenter);
        blockLayout->addLayout(upload);
        chart_ = new ThroughputChart(app_.throughput(), 60, false, 48, block);
        blockLayout->addWidget(chart_);
        auto* buttons = new QHBoxLayout;
        buttons->setSpacing(10);
        auto* open = new OLButton(QStringLiteral("Open app"), OLButtonKind::secondary, block);
        open->setFullWidth(true);
        connect(open, &OLButton::clicked, this, [this] { openApp(AppSection::overview); });
        buttons->addWidget(open, 1);
        if (const std::optional<PrimaryAction> action = shape_.action) {
            primary_ = new OLButton(actionTitle(*action), OLButtonKind::primary, block);
            primary_->setFullWidth(true);
            connect(primary_, &OLButton::clicked, this, [this, action] { runPrimaryAction(*action); });
            buttons->addWidget(primary_, 1);
        }
        blockLayout->addLayout(buttons);
        status_ = block;
        layout->addWidget(block);
    } else {
        layout->addWidget(buildSignIn(body));
    }

    layout->addWidget(buildDivider(body, 0));
    auto* footer = new QHBoxLayout;
    auto* open = new TextLink(QStringLiteral("OPEN APP Ctrl+O"), footerStyle(),
                              accentColor(app_.popoverTheme()), body);
    connect(open, &TextLink::clicked, this, [this] { openApp(AppSection::overview); });
    footer->addWidget(open, 0, Qt::AlignVCenter);
    footer->addStretch(1);
    auto* quit = new TextLink(QStringLiteral("QUIT Ctrl+Q"), footerStyle(), OLColor::textMuted, body);
    connect(quit, &TextLink::clicked, this, &TrayPopover::quitApp);
    footer->addWidget(quit, 0, Qt::AlignVCenter);
    layout->addLayout(footer);
    footerOpen_ = open;
    openLink_ = open;
    footerQuit_ = quit;

    // Only the signal layout answers these keys, while its window is the active one.
    openShortcut_ = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), body);
    openShortcut_->setContext(Qt::WindowShortcut);
    connect(openShortcut_, &QShortcut::activated, this, [this] { openApp(AppSection::overview); });
    quitShortcut_ = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), body);
    quitShortcut_->setContext(Qt::WindowShortcut);
    connect(quitShortcut_, &QShortcut::activated, this, &TrayPopover::quitApp);
    return body;
}

void TrayPopover::updateValues() {
    const OLTheme theme = app_.popoverTheme();
    const HealthPresentation presentation{app_.health(), theme};
    const bool running = app_.isRunning();
    const double fraction = runFraction(app_.progress());
    if (chip_) {
        chip_->setLabel(QString::fromStdString(chipLabel(app_.health())));
        chip_->setTone(chipTone(app_.health()));
    }
    if (openLink_) {
        // An accent change does not rebuild the layout, so the accent-coloured link follows it here.
        openLink_->setColor(accentColor(theme));
    }
    if (!status_) {
        return;
    }
    const std::optional<PrimaryAction> action = app_.primaryAction();
    if (signal_) {
        title_->setText(QString::fromStdString(presentation.shortStatus()));
        title_->setColor(presentation.toneColor());
        data_->setRows(popoverRows(app_));
        if (running) {
            const ThroughputText speed = formatThroughput(app_.currentSpeed());
            speed_->setText(QString::fromStdString(speed.number) + QStringLiteral("\u2191 ") +
                            QString::fromStdString(speed.unit));
            speed_->setColor(accentColor(theme));
        } else {
            speed_->setText(QStringLiteral("\u2014"));
            speed_->setColor(OLColor::textMuted);
        }
        chart_->setSamples(app_.throughput());
        return;
    }
    orb_->setPresentation(presentation);
    orb_->setProgress(running ? std::optional<double>(fraction) : std::nullopt);
    orb_->setAccessibilityAction(action ? actionTitle(*action)
                                        : QString::fromStdString(presentation.title()));
    title_->setText(QString::fromStdString(presentation.title()));
    line_->setText(QString::fromStdString(app_.progressLine()));
    if (bar_) {
        bar_->setFraction(fraction);
    }
    if (const auto& status = app_.keldraStatus()) {
        storagePill_->set(QStringLiteral("Keldra"),
                          QString::fromStdString(formatByteCount(status->usedBytes.value)),
                          QString::fromStdString(storagePercent(*status)));
    } else {
        storagePill_->set(QStringLiteral("Keldra"), QStringLiteral("\u2014"), std::nullopt);
    }
    if (running) {
        const ThroughputText speed = formatThroughput(app_.currentSpeed());
        secondPill_->set(QStringLiteral("Up"), QString::fromStdString(speed.number),
                         QString::fromStdString(speed.unit));
    } else {
        secondPill_->set(QStringLiteral("Files"),
                         QString::fromStdString(formatCount(app_.backedUpFileCount())), std::nullopt);
    }
}

void TrayPopover::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), panelBackground(theme()).qcolor());
}

} // namespace keldra
