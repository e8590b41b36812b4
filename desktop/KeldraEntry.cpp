#include "desktop/KeldraEntry.h"

#include "app/model/AppModel.h"
#include "app/model/NumberLocale.h"
#include "design/motion/ReduceMotionMonitor.h"
#include "design/theme/AppStyle.h"
#include "desktop/DesktopApplication.h"
#include "desktop/DesktopServices.h"
#include "desktop/MainWindow.h"
#include "desktop/SingleInstance.h"
#include "desktop/TerminationSignals.h"

#include <QApplication>
#include <clocale>
#include <locale>
#include <stdexcept>

namespace keldra {

void prepareKeldraApplication(QApplication& app, const QDBusConnection& bus) {
    // Counts, sizes and times follow the user's locale.
    std::setlocale(LC_ALL, "");
    try {
        std::locale::global(std::locale(""));
    } catch (const std::runtime_error&) {
        // An unknown locale name leaves the classic one.
    }
    // Counts and sizes take Qt's decimal format of the user's locale everywhere, installed or not in the C
    // library.
    installNumberFormat(QLocale::system());
    QApplication::setApplicationName(QStringLiteral("Orlivane Keldra"));
    QApplication::setDesktopFileName(QString::fromLatin1(SingleInstance::applicationId));
    olApplyAppStyle(app);
    // Decorative motion (the orb's pulse, the fades between steps) follows the desktop's choice, live.
    ReduceMotionMonitor::install(&app, bus);
    // Closing the window never ends the process; Quit does.
    QApplication::setQuitOnLastWindowClosed(false);
}

KeldraInstance::KeldraInstance(const std::vector<std::string>& arguments, const QDBusConnection& bus)
    : desktop_(std::make_unique<DesktopServices>(arguments)),
      instance_(std::make_unique<SingleInstance>(bus)) {
    const bool atLogin = desktop_->launchContext().launchedAsLoginItem();
    // A launch while another instance runs brings that one's window forward; one at login only leaves.
    if (instance_->claim(!atLogin) == SingleInstance::Outcome::handledByOther) {
        return;
    }
    model_ = std::make_unique<AppModel>(desktop_->services());
    shell_ = std::make_unique<DesktopApplication>(*model_, desktop_->launchContext());
    desktop_->folderChooser().setParent(&shell_->window());
    DesktopApplication* shell = shell_.get();
    QObject::connect(instance_.get(), &SingleInstance::activated, shell,
                     [shell](const QString&) { shell->openWindow(); });
    // Quit ends the event loop outright. QApplication::quit() first asks every window to close and gives
    // up at the first refusal: the main window only hides, and the tray's docked icon window stays open.
    const auto quit = [] {
        QCoreApplication::exit(0);
    };
    QObject::connect(shell, &DesktopApplication::quitRequested, qApp, quit);
    termination_ = std::make_unique<TerminationSignals>();
    QObject::connect(termination_.get(), &TerminationSignals::received, qApp, quit);
    shell_->start();
}

KeldraInstance::~KeldraInstance() {
    if (model_) {
        stopWorkForQuit(*model_);
    }
    shell_.reset();
    // Waits for the engines, which record a cancelled run as stopped.
    model_.reset();
}

int keldraMain(int argc, char** argv) {
    QApplication app(argc, argv);
    prepareKeldraApplication(app);
    const std::vector<std::string> arguments(argv, argv + argc);
    KeldraInstance keldra(arguments);
    if (!keldra.isPrimary()) {
        return 0;
    }
    return QApplication::exec();
}

} // namespace keldra
