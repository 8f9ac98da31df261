// The review page as a browser shows it: Debian's chromium renders a page scrivane-compare
// wrote, and its screenshot must hold the blue inserted and the red deleted text.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <fstream>

#include "process.h"

namespace scrivane {
namespace {

namespace fs = std::filesystem;

const std::string kTool = SCRIVANE_COMPARE_EXE;
const std::string kChromium = "/usr/bin/chromium";

TEST(ReviewPageBrowserTest, ChromiumShowsBlueInsertionsAndRedDeletions) {
    if (::access(kChromium.c_str(), X_OK) != 0) {
        GTEST_SKIP() << kChromium << " is not installed (scripts/install-deps.sh installs it)";
    }
    const fs::path dir =
        fs::temp_directory_path() / ("scrivane-browser-test-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    // The changes lie well below the page's head, whose legend and link are coloured too.
    const std::string lines(12, '\n');
    std::ofstream(dir / "new.txt") << lines << "The quick brown fox jumps over the lazy dog.\n";
    std::ofstream(dir / "old.txt") << lines << "The slow red cat sleeps under the lazy dog.\n";
    const ProcessResult page = runProcess(kTool, {"--format=html", "new.txt", "old.txt"},
                                          {"PATH=/usr/bin:/bin"}, dir.string());
    ASSERT_EQ(page.status, 1) << page.err;
    std::ofstream(dir / "review.html", std::ios::binary) << page.out;

    const std::string shot = (dir / "shot.png").string();
    const ProcessResult browser =
        runProcess("/usr/bin/timeout",
                   {"60", kChromium, "--headless", "--no-sandbox", "--disable-gpu",
                    "--user-data-dir=" + (dir / "profile").string(), "--screenshot=" + shot,
                    "--window-size=800,600", "file://" + (dir / "review.html").string()},
                   {"PATH=/usr/bin:/bin", "HOME=" + dir.string()}, dir.string());
    QImage image;
    if (!fs::exists(shot) || !image.load(QString::fromStdString(shot))) {
        const std::string why =
            browser.err.substr(browser.err.size() - std::min<std::size_t>(browser.err.size(), 600));
        fs::remove_all(dir);
        GTEST_SKIP() << "chromium could not be started (status " << browser.status << "): " << why;
    }
    fs::remove_all(dir);

    // Pixels of the text's colours, counted below the head (about 80 pixels high).
    int red = 0, blue = 0;
    for (int y = 120; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 180 && c.green() < 90 && c.blue() < 90) ++red;
            if (c.blue() > 180 && c.red() < 90 && c.green() < 90) ++blue;
        }
    }
    EXPECT_EQ(image.width(), 800);
    EXPECT_GT(red, 40) << "no red deleted text below the head";
    EXPECT_GT(blue, 40) << "no blue inserted text below the head";
}

}  // namespace
}  // namespace scrivane
