// The INI layer: what each read returns from hand-written files, and the exact
// bytes each write leaves behind.
#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"

namespace {

struct ReadCase {
    const char* file;
    const char* section;
    const char* key;
    const char* expected;
};

TEST(ProfileRead, Table) {
    const ReadCase cases[] = {
        {"[s]\r\nk=v\r\n", "s", "k", "v"},
        {"[s]\nk=v\n", "s", "k", "v"},                      // LF line ends
        {"[s]\r\nk=v", "s", "k", "v"},                      // no final line end
        {"[s]\r\n  k  =  v w  \r\n", "s", "k", "v w"},      // blanks around name and value
        {"[s]\r\nk=\"quoted \"\r\n", "s", "k", "quoted "},  // matching quotes removed
        {"[s]\r\nk='single'\r\n", "s", "k", "single"},
        {"[s]\r\nk=\"half\r\n", "s", "k", "\"half"},
        {"[s]\r\nk=v ; not a comment\r\n", "s", "k", "v ; not a comment"},
        {"[s]\r\n;k=comment\r\nk=real\r\n", "s", "k", "real"},
        {"[S]\r\nKEY=v\r\n", "s", "key", "v"},  // names ignore ASCII case
        {"[s]\r\nk=first\r\nk=second\r\n", "s", "k", "first"},
        {"[s]\r\nk=one\r\n[s]\r\nk=two\r\nj=j\r\n", "s", "j", ""},  // first section wins
        {"[s]\r\nno equals sign\r\n", "s", "no equals sign", ""},
        {"[s]\r\nk=v\r\n", "s", "missing", ""},
        {"[s]\r\nk=v\r\n", "other", "k", ""},
        {"[t]\r\nk=x\r\n[s]\r\nk=v\r\n", "s", "k", "v"},
        {"[当前IP线路]\r\n线路=7\r\n", "当前IP线路", "线路", "7"},  // GBK names
        {"[s]\r\nk=\r\n", "s", "k", ""},
        {"[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
    };
    TempDir dir;
    for (const ReadCase& c : cases) {
        write_file_bytes(dir.file("t.ini"), c.file);
        EXPECT_EQ(read_profile_string(c.section, c.key, dir.file("t.ini")), c.expected)
            << "file: " << c.file << " key: " << c.key;
    }
    EXPECT_EQ(read_profile_string("s", "k", dir.file("absent.ini")), "");
}

struct WriteCase {
    const char* before;  // nullptr: no file
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

TEST(ProfileWrite, ExactBytes) {
    const WriteCase cases[] = {
        {nullptr, "s", "k", "v", "[s]\r\nk=v\r\n"},
        {"", "s", "k", "v", "[s]\r\nk=v\r\n"},
        {"[s]\r\nk=old\r\n", "s", "k", "new", "[s]\r\nk=new\r\n"},
        {"[s]\r\n  Key = old ; x\r\n", "s", "KEY", "new", "[s]\r\nKey=new\r\n"},
        {"[s]\nk=old\nj=1\n", "s", "k", "new", "[s]\nk=new\nj=1\n"},  // LF file keeps LF
        {"[s]\r\nk=v", "s", "j", "w", "[s]\r\nk=v\r\nj=w\r\n"},       // no final line end
        {"[s]\r\nk=v\r\n\r\n[t]\r\nx=1\r\n", "s", "j", "w",
         "[s]\r\nk=v\r\nj=w\r\n\r\n[t]\r\nx=1\r\n"},  // end of its section
        {"; comment\r\n[t]\r\nx=1\r\n", "s", "k", "v",
         "; comment\r\n[t]\r\nx=1\r\n[s]\r\nk=v\r\n"},                      // new section at end
        {"[s]\r\nk=1\r\nk=2\r\n", "s", "k", "9", "[s]\r\nk=9\r\nk=2\r\n"},  // first key only
        {"[s]\r\n;k=c\r\nk=1\r\n", "s", "k", "9", "[s]\r\n;k=c\r\nk=9\r\n"},
        {"[s]\r\nk=1\r\n", "s", "k", "", "[s]\r\nk=\r\n"},
        {"[s]\r\nk=1\r\n", "s", "k", "two\r\nlines", "[s]\r\nk=two  lines\r\n"},
        {"[aliyun]\r\n", "aliyun", "当前解析IP", "1.2.3.4", "[aliyun]\r\n当前解析IP=1.2.3.4\r\n"},
    };
    TempDir dir;
    const std::string path = dir.file("t.ini");
    for (const WriteCase& c : cases) {
        std::remove(path.c_str());
        if (c.before != nullptr) {
            write_file_bytes(path, c.before);
        }
        EXPECT_TRUE(write_profile_string(c.section, c.key, c.value, path));
        EXPECT_EQ(read_file_bytes(path), c.after) << "before: " << (c.before ? c.before : "(none)");
    }
}

TEST(ProfileWrite, ValueReadsBackAndOtherBytesStay) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    const std::string before = "; keep me\r\n[Unknown]\r\nx = y\r\n\r\n[s]\r\nk=1\r\n";
    write_file_bytes(path, before);
    ASSERT_TRUE(write_profile_string("s", "new", "\"q\"", path));
    EXPECT_EQ(read_profile_string("s", "new", path), "q");
    EXPECT_EQ(read_file_bytes(path), before + "new=\"q\"\r\n");
}

TEST(ProfileWrite, FailedWriteLeavesOldFileAndNoTemporaryFiles) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    write_file_bytes(path, "[s]\r\nk=1\r\n");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);  // the folder refuses new files
    bool written = write_profile_string("s", "k", "2", path);
    ::chmod(dir.path().c_str(), 0700);
    if (::geteuid() != 0) {  // root ignores folder permissions
        EXPECT_FALSE(written);
        EXPECT_EQ(read_file_bytes(path), "[s]\r\nk=1\r\n");
    }
    EXPECT_FALSE(write_profile_string("s", "k", "v", dir.file("missing/t.ini")));
}

TEST(ProfileWrite, NewFileIsPrivateAndLinkSurvives) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    ASSERT_TRUE(write_profile_string("s", "k", "secret", path));
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const std::string link = dir.file("link.ini");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(write_profile_string("s", "k", "via link", link));
    struct stat lst;
    ASSERT_EQ(::lstat(link.c_str(), &lst), 0);
    EXPECT_TRUE(S_ISLNK(lst.st_mode));
    EXPECT_EQ(read_profile_string("s", "k", path), "via link");
}

}  // namespace
