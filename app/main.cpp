// cuemark: opens the main window, and the files named on the command line
// as if they had been chosen in its dialogs.
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <algorithm>
#include <cstdio>

#include "app/main_window/command_line.h"
#include "app/main_window/frm_cuemark.h"
#include "app/editor/frm_list.h"
#include "app/desktop/keyvane_settings.h"
#include "app/player/qt_media_player.h"
#include "app/desktop/qt_window_services.h"
#include "app/recovery/session_keeper.h"

namespace {

std::string Absolute(const std::string& name) {
    return QFileInfo(QString::fromLocal8Bit(name.c_str())).absoluteFilePath().toStdString();
}

} // namespace

int main(int argc, char** argv) {
    // Answered before the toolkit starts, so they work without a display.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    const bool toolkitOptions = std::any_of(arguments.begin(), arguments.end(), [](const std::string& a) {
        return a == "-platform" || a == "-display" || a == "-style" || a == "-qwindowgeometry";
    });
    if (!toolkitOptions) {
        const cuemark::CommandLine line = cuemark::ParseCommandLine(arguments);
        if (!line.error.empty()) {
            std::fprintf(stderr, "cuemark: %s\n%s", line.error.c_str(), cuemark::UsageText().c_str());
            return 1;
        }
        if (line.help || line.version) {
            std::fputs(line.help ? cuemark::UsageText().c_str() : cuemark::VersionText().c_str(), stdout);
            return 0;
        }
    }

    // Qt 6.4's other backend stalls headless and steps its clock by 100 ms.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "gstreamer");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cuemark"));
    QApplication::setApplicationVersion(QStringLiteral(CUEMARK_VERSION));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("cuemark")));

    std::vector<std::string> rest;
    for (const QString& a : QApplication::arguments().mid(1)) rest.push_back(a.toStdString());
    const cuemark::CommandLine line = cuemark::ParseCommandLine(rest);

    cuemark::KeyvaneSettings settings;
    cuemark::QtWindowServices services(nullptr);
    cuemark::frmCuemark window(new cuemark::QtMediaPlayer, services, settings);
    services.setMainWindow(&window);
    cuemark::InstallEditor(window);

    // Work a crashed run left unsaved is offered before the window takes input.
    cuemark::SessionKeeper keeper(window.Subt, services);
    window.setSessionKeeper(&keeper);
    if (const auto recovered = keeper.offerRecovery()) window.ShowRecoveredTitles(*recovered);
    window.show();
    if (line.media) {
        window.setDialogFileName(Absolute(*line.media));
        window.OpenMediaFile(Absolute(*line.media));
    }
    if (line.subtitles) {
        window.setDialogFileName(Absolute(*line.subtitles));
        window.OpenSubtitleFile(Absolute(*line.subtitles));
    }
    return app.exec();
}
