// Reading whole files: a file that is not there, one that reads, and one whose read
// fails, which must never pass for a shorter file.
#include "platform/files.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

TEST(FileRead, TellsMissingFromUnreadable) {
    TempDir dir;
    write_file_bytes(dir.file("t.ini"), std::string("[s]\r\nk=1\0x\r\n", 12));
    struct Case {
        std::string path;
        FileRead expected;
        std::string content;
    } cases[] = {
        {dir.file("t.ini"), FileRead::read, std::string("[s]\r\nk=1\0x\r\n", 12)},
        {dir.file("none.ini"), FileRead::missing, ""},
        {dir.path(), FileRead::failed, ""},           // a folder: EISDIR at the first read
        {"/proc/self/mem", FileRead::failed, ""},     // opens, then EIO at offset 0
        {dir.file("t.ini/x"), FileRead::failed, ""},  // a file where a folder should be
    };
    for (const Case& c : cases) {
        Text content = "unchanged";
        EXPECT_EQ(read_file_if_present(c.path, content), c.expected) << c.path;
        EXPECT_EQ(content, c.expected == FileRead::read ? c.content : "unchanged") << c.path;
    }
}

}  // namespace
