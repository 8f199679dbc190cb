// The INI layer: what each read returns from hand-written files, and the exact
// bytes each write leaves behind.
#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <set>
#include <string_view>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

std::string utf16le_file(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::string utf8(std::u8string_view text) {
    return std::string(text.begin(), text.end());
}

std::set<std::string> names_in(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

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
        {"[s] ; note\r\nk=v\r\n", "s", "k", "v"},  // text after the header
        {"[誡]\r\nk=v\r\n", "誡", "k", "v"},       // trail byte "]" (D5 5D)
        {"[s]\rk=1\rj=2\r", "s", "j", "2"},        // CR line ends
        {"[t]\rk=x\r[s]\rk=v", "s", "k", "v"},
        {"[s]\r\nk=v\r\r\n", "s", "k", "v"},
        {"\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", "v"},  // UTF-8 with a byte order mark
        {"\xEF\xBB\xBF[\xE7\xBA\xBF\xE8\xB7\xAF]\r\n\xE7\xBA\xBF\xE8\xB7\xAF=\xE4\xB8\xAD\r\n",
         "线路", "线路", "中"},
        // Written by hand in a UTF-8 editor, without a byte order mark.
        {"[\xE7\xBA\xBF\xE8\xB7\xAF]\n\xE7\xBA\xBF\xE8\xB7\xAF = 3\n", "线路", "线路", "3"},
        // GBK text is not taken for UTF-8 (路 alone, C2 B7, would be valid UTF-8).
        {"[当前IP线路]\r\n线路=路\r\n", "当前IP线路", "线路", "路"},
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
        {"[誡]\r\nk=1\r\n", "誡", "k", "2", "[誡]\r\nk=2\r\n"},
        {"[s]\rk=old\rj=1\r", "s", "k", "new", "[s]\rk=new\rj=1\r"},  // CR file keeps CR
        {"[s]\rk=v\r[t]\r", "s", "j", "w", "[s]\rk=v\rj=w\r\n[t]\r"},
        {"\xEF\xBB\xBF", "s", "k", "v", "\xEF\xBB\xBF[s]\r\nk=v\r\n"},
        {"\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "2", "\xEF\xBB\xBF[s]\r\nk=2\r\n"},
        // A UTF-8 file takes names and values in UTF-8.
        {"\xEF\xBB\xBF[aliyun]\r\n", "aliyun", "当前解析IP", "中",
         "\xEF\xBB\xBF[aliyun]\r\n\xE5\xBD\x93\xE5\x89\x8D\xE8\xA7\xA3\xE6\x9E\x90IP="
         "\xE4\xB8\xAD\r\n"},
        {"[aliyun]\n\xE5\xBD\x93\xE5\x89\x8D\xE8\xA7\xA3\xE6\x9E\x90IP=1.1.1.1\n", "aliyun",
         "当前解析IP", "2.2.2.2",
         "[aliyun]\n\xE5\xBD\x93\xE5\x89\x8D\xE8\xA7\xA3\xE6\x9E\x90IP=2.2.2.2\n"},
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

// Hand-edited files of every shape: a write gives back its value and changes no other key.
TEST(ProfileWrite, RandomFilesKeepEveryOtherValue) {
    const Text sections[] = {"s", "t", "线路", "誡"};
    const Text keys[] = {"k", "线路1", "a b"};
    const Text file_sections[] = {"s", "S", " t ", "线路", "誡", "x"};
    const Text file_keys[] = {"k", "K ", " j", "线路1", "a b", "y", ";k", "k;"};
    const Text pieces[] = {"v", "1", "中", "誡", "=", ";", " ", "\"", "'", "[", "]", "\t", "\xD5"};
    const Text endings[] = {"\r\n", "\n", "\r", "\r\r\n"};
    std::mt19937 random(20240611);
    const auto pick = [&random](const auto& items) { return items[random() % std::size(items)]; };
    // Files may hold broken characters; values are whole GBK characters.
    const auto some_text = [&](std::size_t most, bool whole_characters = false) {
        Text text;
        for (std::size_t n = random() % (most + 1); n > 0; --n) {
            Text piece = pick(pieces);
            text += whole_characters && piece == "\xD5" ? "x" : piece;
        }
        return text;
    };
    TempDir dir;
    const std::string path = dir.file("t.ini");
    for (int round = 0; round < 80; ++round) {
        Text file = random() % 8 == 0 ? "\xEF\xBB\xBF" : "";
        for (int n = static_cast<int>(random() % 12); n > 0; --n) {
            switch (random() % 5) {
                case 0:
                    file += "[" + pick(file_sections) + "]" + (random() % 4 ? "" : " ; x");
                    break;
                case 1:
                case 2:
                    file += pick(file_keys) + "=" + some_text(4);
                    break;
                default:
                    file += some_text(3);
            }
            file += n > 1 || random() % 2 ? pick(endings) : "";
        }
        write_file_bytes(path, file);

        const Text section = pick(sections);
        const Text key = pick(keys);
        // Blanks or quotes around a value are not kept by the format.
        const Text value = "<" + some_text(4, true) + ">";
        std::vector<Text> before;
        for (const Text& s : sections) {
            for (const Text& k : keys) {
                before.push_back(read_profile_string(s, k, path));
            }
        }
        ASSERT_TRUE(write_profile_string(section, key, value, path));
        std::size_t i = 0;
        for (const Text& s : sections) {
            for (const Text& k : keys) {
                const Text expected = s == section && k == key ? value : before[i];
                ASSERT_EQ(read_profile_string(s, k, path), expected)
                    << "[" << s << "] " << k << " after writing [" << section << "] " << key
                    << " into:\n"
                    << file;
                ++i;
            }
        }
    }
}

// Each process writes its own keys; a write that read the file before the other's rename
// and renamed after it would drop the other's key.
TEST(ProfileWrite, TwoProcessesLoseNoKey) {
    // The lock is what is tested; without the flushes the 600 writes race all the harder.
    set_durable_writes_for_testing(false);
    TempDir dir;
    const std::string path = dir.file("t.ini");
    constexpr int kKeys = 300;
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            bool ok = true;
            for (int i = 0; i < kKeys; ++i) {
                const Text key = (child == 0 ? "a" : "b") + std::to_string(i);
                ok = write_profile_string("s", key, std::to_string(i), path) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // One look at the bytes: 600 reads of the grown file would take longer than the writes.
    const std::string file = read_file_bytes(path);
    int missing = 0;
    for (int i = 0; i < kKeys; ++i) {
        for (const char* prefix : {"a", "b"}) {
            const std::string line = prefix + std::to_string(i) + "=" + std::to_string(i);
            missing += file.find("\n" + line + "\r\n") == std::string::npos;
        }
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(read_profile_string("s", "b299", path), "299");
    EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"t.ini", "t.ini.lock"}));
    set_durable_writes_for_testing(true);
}

// Keys set together leave the bytes that setting them one by one leaves, in one
// replacement: a read-only file gets none of them.
TEST(ProfileWrite, SeveralKeysInOneReplacement) {
    const std::vector<ProfileValue> values = {
        {"当前解析ID", "101"}, {"当前主机记录", "www"}, {"accessKeyId", "k2"}};
    for (const std::string before :
         {"", "[aliyun]\r\naccessKeyId=k\r\n\r\n[x]\r\ny=1", "\xEF\xBB\xBF[ALIYUN]\nb=2\n"}) {
        TempDir dir;
        const std::string one_by_one = dir.file("a.ini");
        const std::string together = dir.file("b.ini");
        write_file_bytes(one_by_one, before);
        write_file_bytes(together, before);
        for (const ProfileValue& v : values) {
            ASSERT_TRUE(write_profile_string("aliyun", v.key, v.value, one_by_one));
        }
        ASSERT_TRUE(write_profile_strings("aliyun", values, together));
        EXPECT_EQ(read_file_bytes(together), read_file_bytes(one_by_one)) << before;

        ASSERT_EQ(::chmod(together.c_str(), 0444), 0);
        EXPECT_FALSE(write_profile_strings("aliyun", {{"当前解析ID", "999"}}, together));
        EXPECT_EQ(read_profile_string("aliyun", "当前解析ID", together), "101");
    }
}

// The daemon writes its defaults in GBK; an edit with a UTF-8 editor then adds UTF-8
// lines to a GBK file. Both spellings of a name are found, the first line wins, and a
// write to a UTF-8 line keeps it UTF-8.
TEST(ProfileMixed, UtfEightLinesInAGbkFileAreFound) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    const std::string gbk_part = "[当前IP线路]\r\n线路=1\r\n";
    const std::string utf8_part = utf8(
        u8"[aliyun]\n当前解析域名=example.com\n当前主机记录=中文\n"
        u8"[IP线路]\n线路1=http://a/\n");
    write_file_bytes(path, gbk_part + utf8_part);
    EXPECT_EQ(read_profile_string("当前IP线路", "线路", path), "1");
    EXPECT_EQ(read_profile_string("aliyun", "当前解析域名", path), "example.com");
    EXPECT_EQ(read_profile_string("aliyun", "当前主机记录", path), "中文");
    EXPECT_EQ(read_profile_string("IP线路", "线路1", path), "http://a/");

    ASSERT_TRUE(write_profile_string("aliyun", "当前主机记录", "新", path));
    ASSERT_TRUE(write_profile_string("aliyun", "当前解析ID", "101", path));
    EXPECT_EQ(read_file_bytes(path),
              gbk_part + utf8(u8"[aliyun]\n当前解析域名=example.com\n当前主机记录=新\n") +
                  "当前解析ID=101\r\n" + utf8(u8"[IP线路]\n线路1=http://a/\n"));
    EXPECT_EQ(read_profile_string("aliyun", "当前主机记录", path), "新");
    EXPECT_EQ(read_profile_string("aliyun", "当前解析ID", path), "101");
}

// A crash between creating the temporary file and the rename leaves it, Secret and all.
TEST(ProfileWrite, StaleTemporaryFilesAreRemoved) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    write_file_bytes(path, "[aliyun]\r\naccessSecret=s\r\n");
    for (const char* stale : {"t.ini.tmp", "t.ini.tmp-Ab3xY9", "t.ini.tmp-keep-me", "u.ini.tmp"}) {
        write_file_bytes(dir.file(stale), "[aliyun]\r\naccessSecret=old\r\n");
    }
    ASSERT_TRUE(write_profile_string("aliyun", "accessKeyId", "k", path));
    // Only the names this program gives its temporary files, and only for this file.
    EXPECT_EQ(names_in(dir.path()),
              (std::set<std::string>{"t.ini", "t.ini.lock", "t.ini.tmp-keep-me", "u.ini.tmp"}));
    EXPECT_EQ(read_file_bytes(path), "[aliyun]\r\naccessSecret=s\r\naccessKeyId=k\r\n");
}

TEST(ProfileWrite, RewriteByRootKeepsOwnerGroupAndMode) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give the file to another user";
    }
    TempDir dir;
    const std::string path = dir.file("t.ini");
    for (mode_t mode : {0640, 0604, 0660}) {
        std::filesystem::remove(path);
        std::filesystem::remove(path + ".lock");
        write_file_bytes(path, "[s]\r\nk=1\r\n");
        ASSERT_EQ(::chown(path.c_str(), 12345, 12346), 0);
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(write_profile_string("s", "k", "2", path));
        EXPECT_EQ(read_file_bytes(path), "[s]\r\nk=2\r\n");
        for (const std::string& file : {path, path + ".lock"}) {
            struct stat st;
            ASSERT_EQ(::stat(file.c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, 12345u) << file;
            EXPECT_EQ(st.st_gid, 12346u) << file;
        }
        struct stat st;
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
    }
}

// Refused as the original platform refuses a read-only file, even when running as root.
TEST(ProfileWrite, ReadOnlyFileIsLeftAlone) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    const std::string before = "[s]\r\nk=1\r\n";
    for (mode_t mode : {0444, 0400, 0555}) {
        write_file_bytes(path, before);
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        struct stat old_st;
        ASSERT_EQ(::stat(path.c_str(), &old_st), 0);
        EXPECT_FALSE(write_profile_string("s", "k", "2", path));
        EXPECT_FALSE(write_profile_string("s", "new", "2", path));
        struct stat st;
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_ino, old_st.st_ino);
        EXPECT_EQ(st.st_mode & 07777, mode);
        EXPECT_EQ(read_file_bytes(path), before);
        EXPECT_EQ(read_profile_string("s", "k", path), "1");
        ::chmod(path.c_str(), 0600);
    }
}

struct Utf16Case {
    std::u16string before;
    const char* section;
    const char* key;
    const char* value;
    std::u16string after;
};

// Files with a UTF-16LE byte order mark stay UTF-16LE; new lines end with CR LF.
TEST(ProfileUtf16, WritesKeepTheEncoding) {
    const Utf16Case cases[] = {
        {u"", "s", "k", "v", u"[s]\r\nk=v\r\n"},
        {u"[当前IP线路]\r\n线路=3\r\n", "当前IP线路", "线路", "4", u"[当前IP线路]\r\n线路=4\r\n"},
        {u"[aliyun]\r\n当前主机记录=家\r\n", "aliyun", "当前解析域名", "例子.中国",
         u"[aliyun]\r\n当前主机记录=家\r\n当前解析域名=例子.中国\r\n"},
        {u"[s]\nk=1\n", "IP线路", "线路1", "https://a/",
         u"[s]\nk=1\n[IP线路]\r\n线路1=https://a/\r\n"},
    };
    TempDir dir;
    const std::string path = dir.file("t.ini");
    for (const Utf16Case& c : cases) {
        write_file_bytes(path, utf16le_file(c.before));
        ASSERT_TRUE(write_profile_string(c.section, c.key, c.value, path));
        EXPECT_EQ(read_file_bytes(path), utf16le_file(c.after)) << c.key;
        EXPECT_EQ(read_profile_string(c.section, c.key, path), c.value);
    }
    write_file_bytes(path, utf16le_file(u"[aliyun]\r\n当前主机记录=家\r\n"));
    EXPECT_EQ(read_profile_string("aliyun", "当前主机记录", path), "家");
}

struct LossyCase {
    std::string file;
    const char* key;
    const char* value;
    bool lossy;
};

TEST(ProfileRead, ValuesGbkCannotHoldAreReported) {
    const std::string host = utf8(u8"[aliyun]\n当前主机记录=");
    const LossyCase cases[] = {
        {host + utf8(u8"家"), "当前主机记录", "家", false},
        {host + utf8(u8"www\U0001F600"), "当前主机记录", "www?", true},       // emoji
        {host + utf8(u8"\uC9D1"), "当前主机记录", "?", true},                 // Hangul
        {host + "\xE5\xAE", "当前主机记录", "??", true},                      // a broken character
        {"[aliyun]\r\n当前主机记录=家\r\n", "当前主机记录", "家", false},     // GBK
        {"[aliyun]\r\n当前主机记录=\x81\r\n", "当前主机记录", "\x81", true},  // no GBK character
        {utf16le_file(u"[aliyun]\r\n当前主机记录=\U0001F600\r\n"), "当前主机记录", "?", true},
        {host + "ascii", "当前主机记录", "ascii", false},
    };
    TempDir dir;
    const std::string path = dir.file("t.ini");
    for (const LossyCase& c : cases) {
        write_file_bytes(path, c.file);
        bool lossy = !c.lossy;
        EXPECT_EQ(read_profile_string("aliyun", c.key, path, lossy), c.value) << c.file;
        EXPECT_EQ(lossy, c.lossy) << c.file;
    }
}

struct KeptEncodingCase {
    std::string before;
    const char* section;
    const char* key;  // its value holds the only bytes that are no UTF-8
    std::string after;
};

// A file decoded one way is decoded that way after every write, even when the write
// takes away the only bytes that told GBK from UTF-8.
TEST(ProfileWrite, EncodingIsKeptAcrossWrites) {
    const KeptEncodingCase cases[] = {
        // GBK whose other value, 路 (C2 B7), is also valid UTF-8.
        {"[s]\r\nk=中\r\nj=路\r\n", "s", "k", "[s]\r\nk=x\r\nj=路\r\n当前解析IP=x\r\n"},
        {"[当前IP线路]\r\n线路=中\r\nj=路\r\n", "当前IP线路", "线路",
         "[当前IP线路]\r\n线路=x\r\nj=路\r\n当前解析IP=x\r\n"},
        // UTF-8 without a byte order mark, its names in UTF-8.
        {utf8(u8"[线路]\r\nk=中\r\nj=路\r\n"), "线路", "k",
         utf8(u8"[线路]\r\nk=x\r\nj=路\r\n当前解析IP=x\r\n")},
    };
    TempDir dir;
    const std::string path = dir.file("t.ini");
    for (const KeptEncodingCase& c : cases) {
        write_file_bytes(path, c.before);
        const Text section = c.section;
        ASSERT_TRUE(write_profile_string(section, c.key, "x", path));
        EXPECT_EQ(read_profile_string(section, "j", path), "路") << c.before;
        ASSERT_TRUE(write_profile_string(section, "当前解析IP", "x", path));
        EXPECT_EQ(read_file_bytes(path), c.after) << c.before;
        EXPECT_EQ(read_profile_string(section, "j", path), "路") << c.before;
    }
}

}  // namespace
