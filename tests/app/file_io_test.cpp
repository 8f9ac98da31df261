#include <sys/stat.h>

#include "app/file_io.h"
#include "app_fixture.h"

namespace scrivane {
namespace {

using FileIoTest = AppTest;

// Nothing the user can name makes opening or saving hang or read without end.
TEST_F(FileIoTest, SpecialFilesNeverHang) {
    const std::string fifo = dir() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        bool readable;
        std::string error;
    } reads[] = {
        {"/dev/zero", false, "Not a regular file"},
        {dir(), false, "Is a directory"},
        {fifo, false, "Not a regular file"},  // never waited on, writer or not
        {dir() + "/none", false, "No such file or directory"},
    };
    for (const auto& c : reads) {
        DocumentText doc;
        std::string error;
        EXPECT_EQ(readDocumentFile(c.path, doc, error), c.readable) << c.path;
        EXPECT_EQ(error, c.error) << c.path;
    }
    // A FIFO without a reader cannot take the text: an error, not a wait.
    std::string error;
    EXPECT_FALSE(saveFileBytes(fifo, "text", error));
    EXPECT_EQ(error, "No such device or address");
}

TEST_F(FileIoTest, ReadingNotesTheLineEndsAndNormalises) {
    const struct {
        std::string bytes;
        LineEnds ends;
        std::string text;
    } cases[] = {
        {"a\nb", LineEnds::Lf, "a\r\nb"},
        {"a\rb\r", LineEnds::Cr, "a\r\nb\r\n"},
        {"a\r\nb\nc", LineEnds::CrLf, "a\r\nb\r\nc"},  // a tie goes to CR LF
        {"a\nb\nc\r\n", LineEnds::Lf, "a\r\nb\r\nc\r\n"},
        {"abc", platformLineEnds(), "abc"},
        {"", platformLineEnds(), ""},
    };
    for (const auto& c : cases) {
        const std::string path = writeFile("f", c.bytes);
        DocumentText doc;
        std::string error;
        ASSERT_TRUE(readDocumentFile(path, doc, error));
        EXPECT_EQ(doc.text, c.text);
        if (!c.bytes.empty()) {
            EXPECT_EQ(doc.usual, c.ends) << c.bytes;
        }
    }
}

}  // namespace
}  // namespace scrivane
