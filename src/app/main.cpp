// qx390d: the QX390D power meter's data-management program.

#include "app/CMainFrame.h"
#include "app/CQX390DApp.h"
#include "app/MessageBoxPrompter.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "sim/PtyHost.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(applicationName);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Data management for the QX390D XG-PON optical power meter."));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Connect to DEVICE instead of searching the USB serial ports."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QStringLiteral("Connect to a virtual meter started by the program (overrides --port)."));
    parser.addOption(portOption);
    parser.addOption(demoOption);
    parser.process(qtApp);

    MessageBoxPrompter prompter;
    QtFileDialogs dialogs;
    CQX390DApp app(prompter, dialogs);
    if (!app.InitInstance())
        return 1;

    QString port = parser.value(portOption);
    std::unique_ptr<PtyHost> demoMeter;
    if (parser.isSet(demoOption)) {
        SimOptions meter;
        meter.pace = true;
        demoMeter = std::make_unique<PtyHost>(meter);
        if (!demoMeter->Open()) {
            std::fprintf(stderr, "qx390d: the virtual meter cannot start: %s\n",
                         qPrintable(demoMeter->ErrorString()));
            return 1;
        }
        port = demoMeter->DevicePath();
        std::printf("qx390d: virtual meter on %s\n", qPrintable(port));
        std::fflush(stdout);
    }

    CMainFrame& frame = *app.MainFrame();
    ConnectionCommands commands(prompter, &frame, port);
    frame.AttachCommands(commands);
    DeviceLink::Instance()->SetPrompter(&prompter, &frame);

    return app.ExitInstance(QApplication::exec());
}
