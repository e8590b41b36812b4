// keldra: the desktop application. One instance per session; it lives in the tray until the user quits.

#include "app/model/AppModel.h"
#include "app/shell/DesktopApplication.h"
#include "app/shell/DesktopServices.h"
#include "app/shell/MainWindow.h"
#include "app/shell/SingleInstance.h"
#include "app/shell/TerminationSignals.h"
#include "design/theme/AppStyle.h"

#include <QApplication>
#include <clocale>
#include <locale>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace keldra;
    QApplication app(argc, argv);
    // Counts, sizes and times follow the user's locale.
    std::setlocale(LC_ALL, "");
    try {
        std::locale::global(std::locale(""));
    } catch (const std::runtime_error&) {
        // An unknown locale name leaves the classic one.
    }
    QApplication::setApplicationName(QStringLiteral("Orlivane Keldra"));
    QApplication::setDesktopFileName(QString::fromLatin1(SingleInstance::applicationId));
    olApplyAppStyle(app);
    // Closing the window never ends the process; Quit does.
    QApplication::setQuitOnLastWindowClosed(false);

    const std::vector<std::string> arguments(argv, argv + argc);
    DesktopServices desktop(arguments);

    SingleInstance instance;
    const bool atLogin = desktop.launchContext().launchedAsLoginItem();
    // A launch while another instance runs brings that one's window forward; one at login only leaves.
    if (instance.claim(!atLogin) == SingleInstance::Outcome::handledByOther) {
        return 0;
    }

    auto model = std::make_unique<AppModel>(desktop.services());
    auto shell = std::make_unique<DesktopApplication>(*model, desktop.launchContext());
    desktop.folderChooser().setParent(&shell->window());
    QObject::connect(&instance, &SingleInstance::activated, shell.get(),
                     [&shell](const QString&) { shell->openWindow(); });
    QObject::connect(shell.get(), &DesktopApplication::quitRequested, &app, &QApplication::quit);
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &app, &QApplication::quit);

    shell->start();
    const int status = QApplication::exec();

    stopWorkForQuit(*model);
    shell.reset();
    // Waits for the engines, which record a cancelled run as stopped.
    model.reset();
    return status;
}
