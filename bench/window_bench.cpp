// The real window on the offscreen platform with default settings, opening a file the way
// the command line names it: what the user waits for. Release build:
//   build/bench/bench/window_bench [--quick] [--file PATH]
// Every case runs in a fresh process, so that its peak memory is its own.
//
// Opening: 10 MB and 100 MB files of 66-byte lines (or PATH), with and without a line number
// on the command line, Wrap Text on and off. First the opening alone, then again with keys.
// Per case, in milliseconds:
//   shown    from the command until the window has painted the file
//   caption  until the caption names the file and the caret's line (it refreshes half a
//            second after the last change), wall and processor time
//   idle     until the event loop waits with nothing to do, wrapping in the background
//            included, wall and processor time (with keys: after them)
//   c+end, c+home, bg-key   Ctrl+End, Ctrl+Home and the slowest of a burst of keys (arrows,
//            typing, Page Up and Down) pressed while the editor still wraps in the background:
//            from the key until the window has repainted
//   key, c+end  a typed key and Ctrl+End once idle
//   unwrap   what the editor still had to wrap at idle, in one go (0: all done)
//   rewrap   the slowest of Ctrl+Home and Ctrl+End pressed right after the window is made
//            narrower and again right after a larger font, while every line is wrapped anew
//   peak     the process's peak resident memory, and its ratio to the file (with keys: after
//            editing, the undo snapshot's copy included)
//   wrap-switch  Wrap Text switched at the end, until the view is painted again
// Long line: a single line of 2 MB, the caret at its end: typed keys (median and slowest of
// ten) and switching Wrap Text.
// --quick leaves out the 100 MB file.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench_text.h"
#include "window_timing.h"

namespace scrivane {
namespace {

constexpr std::size_t kLineBytes = 66;

std::size_t lineCount(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::size_t lines = 1;
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
        lines +=
            static_cast<std::size_t>(std::count(buffer.data(), buffer.data() + in.gcount(), '\n'));
    }
    return lines;
}

// The file and its line count; the window opened with or without the line three quarters
// down on the command line.
struct LinedOpening {
    LinedOpening(const std::string& path, bool wrap, bool withLine)
        : lines(lineCount(path)),
          target(lines * 3 / 4),
          opening(path,
                  withLine ? std::vector<std::string>{path, std::to_string(target)}
                           : std::vector<std::string>{path},
                  wrap, withLine ? target : 1) {}
    const std::size_t lines;
    const std::size_t target;
    Opening opening;
};

// Opening and nothing else: the time until the event loop first waits with nothing to do
// (the caption's refresh still to come), whatever the editor wraps in the background included,
// and the peak memory of that.
void runOpeningStill(const std::string& path, bool wrap, bool withLine) {
    LinedOpening lined(path, wrap, withLine);
    Opening& opening = lined.opening;
    const double idleMs = runUntilIdle(*opening.shown->surface.editor(), opening.clock);
    const bool idle = idleMs >= 0;
    const double idleCpuMs = cpuMs() - opening.startCpu;
    opening.waitForCaption();
    const double peak = peakRssMb();
    std::printf("%6.0f %-4s %-5s %6.0f %7.0f %7.0f %6.0f %6.0f %4.1fx%s\n", fileMb(path),
                wrap ? "on" : "off", withLine ? "3/4" : "-", opening.shownMs, opening.captionMs,
                idleMs, idleCpuMs, peak, peak / fileMb(path),
                opening.captioned && idle ? "" : "  (no caption or no idle)");
}

void runOpening(const std::string& path, bool wrap, bool withLine) {
    LinedOpening lined(path, wrap, withLine);
    Opening& opening = lined.opening;
    opening.waitForCaption();
    Shown& shown = *opening.shown;
    const std::size_t lines = lined.lines;
    const double startCpu = opening.startCpu;
    const QElapsedTimer& clock = opening.clock;

    // Keys while the editor may still wrap in the background.
    std::vector<double> burst;
    for (int key :
         {Qt::Key_Down, Qt::Key_X, Qt::Key_Backspace, Qt::Key_PageDown, Qt::Key_Up, Qt::Key_End}) {
        burst.push_back(shown.press(key));
    }
    const double ctrlEndMs = shown.press(Qt::Key_End, Qt::ControlModifier);
    for (int key : {Qt::Key_Up, Qt::Key_X, Qt::Key_Backspace, Qt::Key_PageUp, Qt::Key_Down}) {
        burst.push_back(shown.press(key));
    }
    const double ctrlHomeMs = shown.press(Qt::Key_Home, Qt::ControlModifier);
    burst.push_back(ctrlEndMs);
    burst.push_back(ctrlHomeMs);
    const double worstKey = *std::max_element(burst.begin(), burst.end());

    const double idleMs = runUntilIdle(*shown.surface.editor(), clock);
    const bool idle = idleMs >= 0;
    const double idleCpuMs = cpuMs() - startCpu;
    // Whatever wrapping was still pending the editor now does in one go.
    QElapsedTimer rest;
    rest.start();
    shown.surface.editor()->SendScintilla(QsciScintillaBase::SCI_ENSUREVISIBLE,
                                          static_cast<unsigned long>(lines - 1));
    const double restMs = msSince(rest);
    const double typedMs = shown.press(Qt::Key_Y);
    const double lastEndMs = shown.press(Qt::Key_End, Qt::ControlModifier);
    // A narrower window, then another font, and Ctrl+Home and Ctrl+End right away while the
    // editor wraps every line again: the slowest of those keys.
    shown.untilPainted([&] { shown.window.resize(800, 700); });
    double againMs = std::max(shown.press(Qt::Key_Home, Qt::ControlModifier),
                              shown.press(Qt::Key_End, Qt::ControlModifier));
    FontSpec font = shown.surface.Font();
    font.size += 2;
    shown.untilPainted([&] { shown.surface.SetFont(font); });
    againMs = std::max({againMs, shown.press(Qt::Key_Home, Qt::ControlModifier),
                        shown.press(Qt::Key_End, Qt::ControlModifier)});
    const double peak = peakRssMb();
    // Wrap Text switched (off a document without styles, on one with them) and the view
    // painted again.
    const double toggleMs = shown.untilPainted([&] { optWrap_Click(shown.ws); });

    std::printf(
        "%6.0f %-4s %-5s %6.0f %7.0f %5.0f %7.0f %6.0f %6.0f %6.0f %6.0f %5.0f %5.0f %6.0f %6.0f "
        "%6.0f %4.1fx %6.0f%s\n",
        fileMb(path), wrap ? "on" : "off", withLine ? "3/4" : "-", opening.shownMs,
        opening.captionMs, opening.captionCpuMs, idleMs, idleCpuMs, ctrlEndMs, ctrlHomeMs, worstKey,
        typedMs, lastEndMs, restMs, againMs, peak, peak / fileMb(path), toggleMs,
        opening.captioned && idle ? "" : (opening.captioned ? "  (no idle)" : "  (no caption)"));
}

void runLongLine(const std::string& path, bool wrap) {
    Shown shown({path}, wrap);
    runUntil([&] { return shown.painted.firstWithText.isValid(); });
    QElapsedTimer unused;
    unused.start();
    runUntilIdle(*shown.surface.editor(), unused);
    const double endMs = shown.press(Qt::Key_End, Qt::ControlModifier);
    std::vector<double> keys;
    for (int i = 0; i < 10; ++i) keys.push_back(shown.press(Qt::Key_A + i));
    const double worst = *std::max_element(keys.begin(), keys.end());
    std::nth_element(keys.begin(), keys.begin() + 5, keys.end());
    const double toggleMs = shown.untilPainted([&] { optWrap_Click(shown.ws); });
    const double backMs = shown.untilPainted([&] { optWrap_Click(shown.ws); });
    std::printf("%6.0f %-4s %6.0f %6.0f %6.0f %9.0f %9.0f\n", fileMb(path), wrap ? "on" : "off",
                endMs, keys[5], worst, toggleMs, backMs);
}

int runChild(char** argv) {
    useFreshHome(argv[4]);
    const std::string kind = argv[1];
    const std::string path = argv[2];
    const std::string mode = argv[3];
    const bool wrap = mode.find("wrap") != std::string::npos;
    if (kind == "--make") {
        // Made here rather than in the parent: a child process starts with its parent's peak.
        const std::size_t megabytes = std::stoul(mode);
        std::ofstream(path, std::ios::binary)
            << (megabytes == 2 ? benchWords(1, 2'000'000, 7)
                               : benchWords(megabytes * 1'000'000 / kLineBytes, kLineBytes, 42));
    } else if (kind == "--still") {
        runOpeningStill(path, wrap, mode.find("line") != std::string::npos);
    } else if (kind == "--long-line") {
        runLongLine(path, wrap);
    } else {
        runOpening(path, wrap, mode.find("line") != std::string::npos);
    }
    std::fflush(stdout);
    // The document is edited: leave without the save question.
    std::_Exit(0);
}

void spawn(const char* kind, const std::string& path, const char* mode, const std::string& home) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {kind, QString::fromStdString(path), mode, QString::fromStdString(home)});
    child.waitForFinished(-1);
}

}  // namespace
}  // namespace scrivane

int main(int argc, char** argv) {
    using namespace scrivane;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 5 && std::string(argv[1]).rfind("--", 0) == 0) {
        QApplication app(argc, argv);
        return runChild(argv);
    }
    QCoreApplication app(argc, argv);
    bool quick = false;
    std::vector<std::string> files;
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") quick = true;
        if (arg == "--file" && i + 1 < argc) files.emplace_back(argv[++i]);
    }
    if (files.empty()) {
        for (int mb : {10, 100}) {
            if (quick && mb > 10) break;
            const std::string path = dir + "/lines" + std::to_string(mb) + ".txt";
            std::ofstream(path, std::ios::binary) << benchWords(
                static_cast<std::size_t>(mb) * 1'000'000 / kLineBytes, kLineBytes, 42);
            files.push_back(path);
        }
    }
    std::printf(
        "Opening alone (ms; targets: caption <= 2000 with Wrap on, idle <= 1000 at 100 MB with "
        "Wrap off,\npeak <= 3x the file)\n"
        "    MB wrap line   shown caption    idle    cpu peakMB ratio\n");
    std::fflush(stdout);
    int run = 0;
    for (const std::string& path : files) {
        for (const char* mode : {"wrap", "wrap+line", "off", "off+line"})
            spawn("--still", path, mode, dir + "/home" + std::to_string(++run));
    }
    std::printf("\nOpening, then keys (ms; targets: c+end and c+home <= 500, bg-key <= 50)\n");
    std::printf(
        "    MB wrap line   shown caption   cpu    idle    cpu  c+end c+home bg-key    key c+end "
        "unwrap rewrap peakMB ratio  wrap-switch\n");
    std::fflush(stdout);
    for (const std::string& path : files) {
        for (const char* mode : {"wrap", "wrap+line", "off", "off+line"})
            spawn("--open", path, mode, dir + "/home" + std::to_string(++run));
    }
    const std::string longLine = dir + "/longline.txt";
    spawn("--make", longLine, "2", dir);
    std::printf(
        "\nLong line (ms; targets: a key <= 100 with Wrap off, <= 300 with it on)\n"
        "    MB wrap  c+end median  worst  wrap-switch and back\n");
    std::fflush(stdout);
    for (const char* mode : {"wrap", "off"})
        spawn("--long-line", longLine, mode, dir + "/home" + std::to_string(++run));
    return 0;
}
