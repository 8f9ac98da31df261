#include <QApplication>

#include "app/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(scrivane::kProgramName);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    scrivane::MainWindow window(std::move(arguments));
    window.show();
    return QApplication::exec();
}
