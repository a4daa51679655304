// NetRov: the desktop program that finds and lists printers and MFPs on the network.
#include <cstdio>
#include <cstdlib>

#include <QApplication>

#include "background_reads.h"
#include "command_line.h"
#include "main_frame.h"
#include "message_box.h"
#include "netrover_app.h"
#include "system_launcher.h"

int main(int argc, char** argv)
{
    // Answered on the terminal, with no display needed.
    if (const std::optional<int> answered = netrov::ui::answerTerminalOptions(argc, argv, stdout, stderr)) return *answered;
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(netrov_ui);

    netrov::ui::CNetRoverApp app;
    switch (app.InitInstance(netrov::ui::programDirectory())) {
    case netrov::ui::CNetRoverApp::Start::Failed:
        netrov::ui::showErrorMessage(nullptr, app.failureTitle(), netrov::ui::CNetRoverApp::failureText());
        return 1;
    case netrov::ui::CNetRoverApp::Start::AlreadyRunning:
        return 0;
    case netrov::ui::CNetRoverApp::Start::Run:
        break;
    }

    int result = 0;
    {
        netrov::ui::CMainFrame frame(app, std::make_unique<netrov::ui::SystemLauncher>(app.manufacturer()));
        frame.show();
        result = application.exec();
    }
    app.ExitInstance();
    // A read abandoned at the end may still wait on a device: the process ends
    // without waiting for it, and without the static destructors it could race.
    if (netrov::core::readsRunning() != 0) {
        std::fflush(nullptr);
        std::_Exit(result);
    }
    return result;
}
