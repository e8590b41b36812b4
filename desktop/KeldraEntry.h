#pragma once

#include <QDBusConnection>
#include <memory>
#include <string>
#include <vector>

class QApplication;

namespace keldra {

class AppModel;
class DesktopApplication;
class DesktopServices;
class SingleInstance;
class TerminationSignals;

// Makes the process's application behave as Orlivane Keldra: its name and desktop entry, its style, the
// user's locale, the desktop's reduce-motion choice (read from the desktop portal on `bus`), and a process
// that outlives its last window.
void prepareKeldraApplication(QApplication& app, const QDBusConnection& bus = QDBusConnection::sessionBus());

// One running Orlivane Keldra in this process: the real services, the single-instance claim, the model, the
// window and the tray, with Quit (menu, tray, SIGTERM) ending the event loop. Made after
// prepareKeldraApplication; destroying it cancels the run and a restore and waits for the engines, so both
// are recorded as stopped.
class KeldraInstance {
public:
    explicit KeldraInstance(const std::vector<std::string>& arguments,
                            const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~KeldraInstance();
    KeldraInstance(const KeldraInstance&) = delete;
    KeldraInstance& operator=(const KeldraInstance&) = delete;

    // False when another instance took the launch (it brought its window forward, or at login did
    // nothing): this process then ends with status 0 and has no model or window.
    bool isPrimary() const { return shell_ != nullptr; }
    AppModel& model() const { return *model_; }
    DesktopApplication& shell() const { return *shell_; }
    DesktopServices& services() const { return *desktop_; }

private:
    std::unique_ptr<DesktopServices> desktop_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<DesktopApplication> shell_;
    std::unique_ptr<TerminationSignals> termination_;
};

// The `keldra` program: one instance per session, living in the tray until the user quits.
int keldraMain(int argc, char** argv);

} // namespace keldra
