#include <QApplication>
#include <QIcon>

#include <cstdio>

#include "app/command_line.h"
#include "app/main_window.h"
#include "platform/qt/guarded_application.h"

namespace {

// --help and --version print without a window, so they need no display. A text that cannot
// be written (a closed or full output) is a failure, not a silent success.
int printInfo(scrivane::InfoRequest request) {
    const std::string text =
        request == scrivane::InfoRequest::Help ? scrivane::helpText() : scrivane::versionText();
    const bool written =
        std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
    if (!written) std::fputs("scrivane: cannot write to standard output\n", stderr);
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> given(argv + 1, argv + argc);
    const auto request = scrivane::infoRequest(given);
    if (request == scrivane::InfoRequest::CompareUsage) {
        std::fputs(
            "scrivane: --compare needs two files: NEW and OLD\n"
            "Try 'scrivane --help' for more information.\n",
            stderr);
        return 2;
    }
    if (request != scrivane::InfoRequest::None) return printInfo(request);

    scrivane::GuardedApplication app(argc, argv);
    QApplication::setApplicationName(scrivane::kProgramName);
    // Ties the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(SCRIVANE_APP_ID);
    QApplication::setWindowIcon(QIcon::fromTheme(SCRIVANE_APP_ID));
    // QApplication has taken its own options (-platform, ...) out of argv by now.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    scrivane::MainWindow window(std::move(arguments));
    app.outOfMemory = [&window] { window.reportOutOfMemory(); };
    window.show();
    return QApplication::exec();
}
