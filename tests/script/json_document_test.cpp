// JsonDocument: paths, the operations the listings use, setters, GBK texts in and out.
#include "script/json_document.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// As the service answers DescribeDomains (UTF-8; the second name is 中文.com).
const std::string kDomainsAnswer =
    R"({"TotalCount":2,"PageNumber":1,"PageSize":100,"RequestId":"R1",)"
    R"("Domains":{"Domain":[{"DomainId":"1","DomainName":"example.com"},)"
    "{\"DomainId\":\"2\",\"DomainName\":\"\xE4\xB8\xAD\xE6\x96\x87.com\"}]}}";

const Text kKinds = R"({"s":"text","a":[1,"x"],"o":{"i":1},"n":600,"b":true,"z":null,"f":false})";

TEST(JsonDocument, ParseReportsAValueOtherThanNull) {
    struct Case {
        Text text;
        bool ok;
        Text json_after;
    };
    const Case cases[] = {
        {R"({"a":1})", true, R"({"a":1})"},
        {"[]", true, "[]"},
        {"0", true, "0"},
        {"", false, ""},  // undefined
        {"null", false, "null"},
        {"{bad}", false, "null"},
        {"{\"a\":1} trailing", false, "null"},
        {std::string(600, '[') + std::string(600, ']'), false, "null"},
    };
    for (const Case& c : cases) {
        JsonDocument doc;
        EXPECT_EQ(doc.parse(c.text), c.ok) << c.text.substr(0, 20);
        EXPECT_EQ(doc.count(), 0) << c.text.substr(0, 20);
        EXPECT_EQ(doc.to_json(), c.json_after) << c.text.substr(0, 20);
    }
    JsonDocument doc;
    EXPECT_EQ(doc.to_json(), "{}");
    EXPECT_FALSE(doc.parse("", true));
    EXPECT_EQ(doc.to_json(), "null");
}

TEST(JsonDocument, ListingReadsItemsAndMembers) {
    JsonDocument answer;
    ASSERT_TRUE(answer.parse_utf8(kDomainsAnswer));
    JsonDocument list = answer.get_object("Domains.Domain");
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.get_item_object(0).get_json("DomainName"), "\"example.com\"");
    EXPECT_EQ(list.get_item_object(1).get_json("DomainName"), "\"中文.com\"");
    EXPECT_EQ(list.get_item_object(1).get_text("DomainName"), "中文.com");
    EXPECT_EQ(list.get_item_text(0, "", true), R"({"DomainId":"1","DomainName":"example.com"})");

    JsonDocument past_end = list.get_item_object(2);
    EXPECT_EQ(past_end.get_json("DomainName"), "");
    EXPECT_EQ(past_end.count(), 0);
    EXPECT_EQ(list.get_item_object(-1).get_json(), "");

    JsonDocument missing = answer.get_object("DomainRecords.Record");
    EXPECT_EQ(missing.count(), 0);
    EXPECT_EQ(missing.get_json("RR"), "");
    EXPECT_EQ(answer.count("Domains"), 0);  // an object, not an array
    EXPECT_EQ(answer.get_json("TotalCount"), "2");
    EXPECT_EQ(answer.get_json("RequestId"), "\"R1\"");
    EXPECT_EQ(answer.get_json("NoSuchMember"), "");
    EXPECT_EQ(answer.get_json("Domains.Domain[1].DomainId"), "\"2\"");
}

TEST(JsonDocument, ValueTypesAndTexts) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(kKinds));
    struct Case {
        Text path;
        int type;
        Text text;
        Text json;
    };
    const Case cases[] = {
        {"s", kJsonTypeString, "text", "\"text\""},
        {"a", kJsonTypeArray, "1,x", "[1,\"x\"]"},
        {"o", kJsonTypeObject, "[object Object]", "{\"i\":1}"},
        {"n", kJsonTypeNumber, "600", "600"},
        {"b", kJsonTypeBoolean, "true", "true"},
        {"f", kJsonTypeBoolean, "false", "false"},
        {"z", kJsonTypeNone, "", "null"},
        {"missing", kJsonTypeNone, "", ""},
        {"o.missing.deeper", kJsonTypeNone, "", ""},
        {"a[1]", kJsonTypeString, "x", "\"x\""},
        {"da.o.i", kJsonTypeNumber, "1", "1"},
        {"o[", kJsonTypeNone, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(doc.value_type(c.path), c.type) << c.path;
        EXPECT_EQ(doc.get_text(c.path), c.text) << c.path;
        EXPECT_EQ(doc.get_json(c.path), c.json) << c.path;
        EXPECT_EQ(doc.exists(c.path), c.type != kJsonTypeNone) << c.path;
    }
    EXPECT_EQ(doc.get_number("n"), 600);
    EXPECT_EQ(doc.get_number("s"), 0);
}

TEST(JsonDocument, ResolvePathMakesPathsAbsolute) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(R"({"x":[1],"data":{"x":2}})"));
    struct Case {
        Text path;
        Text absolute;
        bool found;
    };
    const Case cases[] = {
        {"", "da", true},
        {"x", "da.x", true},
        {"[0]", "da[0]", false},
        {"da.x", "da.x", true},
        {"data.x", "da.data.x", true},
        {"Domains.Domain", "da.Domains.Domain", false},
    };
    for (const Case& c : cases) {
        Text path = c.path;
        EXPECT_EQ(doc.resolve_path(path), c.found) << c.path;
        EXPECT_EQ(path, c.absolute) << c.path;
    }
}

TEST(JsonDocument, NamesAndValuesInMemberOrder) {
    JsonDocument doc;
    ASSERT_TRUE(
        doc.parse(R"({"z":"last","s":"","n":600,"o":{"i":1,"j":[2,null]},"b":true,"x":null})"));
    TextArray out{"stale"};
    EXPECT_EQ(doc.member_names(out), 6);
    EXPECT_EQ(out, (TextArray{"z", "s", "n", "o", "b", "x"}));
    EXPECT_EQ(doc.member_names(out, "o.j"), 0);
    EXPECT_TRUE(out.empty());

    EXPECT_EQ(doc.all_values(out), 4);
    EXPECT_EQ(out, (TextArray{"last", "", "600", "true"}));
    EXPECT_EQ(doc.all_values(out, "", true), 6);
    EXPECT_EQ(out, (TextArray{"last", "", "600", "1", "2", "true"}));
}

TEST(JsonDocument, SettersKeepValuesAsGiven) {
    JsonDocument doc;
    EXPECT_TRUE(doc.set_value("path", "C:\\dir\\中"));
    EXPECT_EQ(doc.get_text("path"), "C:\\dir\\中");
    EXPECT_EQ(doc.to_json(), "{\"path\":\"C:\\dir\\中\"}");  // the stand-in comes back bare
    EXPECT_TRUE(doc.set_value("quote", "it's \"x\"\r\n"));
    EXPECT_EQ(doc.get_text("quote"), "it's \"x\"\r\n");
    EXPECT_FALSE(doc.set_value("missing.member", "v"));

    // Parsed backslashes are real ones and are written escaped.
    ASSERT_TRUE(doc.parse(R"({"p":"a\\b"})"));
    EXPECT_EQ(doc.get_text("p"), "a\\b");
    EXPECT_EQ(doc.to_json(), R"({"p":"a\\b"})");

    ASSERT_TRUE(doc.parse(R"({"o":{"keep":1,"s":"old","sub":{"a":1},"list":[1]}})"));
    EXPECT_TRUE(doc.set_value("o", R"({"s":"new","sub":{"b":2},"list":[2],"add":null})", true));
    EXPECT_EQ(doc.get_json("o"),
              R"({"keep":1,"s":"new","sub":{"a":1,"b":2},"list":[1,2],"add":null})");
    EXPECT_TRUE(doc.set_value("o.keep", "", true));
    EXPECT_EQ(doc.get_json("o.keep"), "{}");
    EXPECT_FALSE(doc.set_value("o", "{broken", true));
    EXPECT_TRUE(doc.set_expression("n", "0"));
    EXPECT_EQ(doc.get_json("n"), "0");
    EXPECT_FALSE(doc.set_expression("n", "1+1"));

    EXPECT_TRUE(doc.add_item("it's", "list"));
    EXPECT_TRUE(doc.add_item("first", "list", false, true));
    EXPECT_TRUE(doc.add_item(R"({"k":1})", "list", true));
    EXPECT_FALSE(doc.add_item("{'k':1}", "list", true));
    EXPECT_EQ(doc.get_json("list"), R"(["first","it's",{"k":1}])");
    EXPECT_EQ(doc.get_item_text(1, "list"), "it's");
    EXPECT_EQ(doc.get_item_text(2, "list"), "");

    EXPECT_TRUE(doc.set_item(1, "list", "2", true));
    EXPECT_TRUE(doc.set_item(4, "list", "end"));
    EXPECT_EQ(doc.get_json("list"), R"(["first",2,{"k":1},null,"end"])");
    EXPECT_TRUE(doc.remove_item(0, "list"));
    EXPECT_TRUE(doc.remove_item(-1, "list"));
    EXPECT_EQ(doc.get_json("list"), R"([2,{"k":1},null])");
    EXPECT_FALSE(doc.remove_item(0, "o"));

    EXPECT_TRUE(doc.set_number("o.n", 0.1));
    EXPECT_EQ(doc.get_number("o.n"), 0.1);
    EXPECT_TRUE(doc.remove("o.n"));
    EXPECT_TRUE(doc.remove("o.never"));
    EXPECT_FALSE(doc.remove(""));
    EXPECT_FALSE(doc.remove("nothing.here"));
    EXPECT_EQ(doc.get_json("o.n"), "");
    EXPECT_TRUE(doc.clear());
    EXPECT_EQ(doc.to_json(), "{}");
}

TEST(JsonDocument, CopiesAndItemsAreIndependent) {
    JsonDocument answer;
    ASSERT_TRUE(answer.parse_utf8(kDomainsAnswer));
    JsonDocument copy = answer.copy();
    JsonDocument item = answer.get_item_object(0, "Domains.Domain");
    EXPECT_TRUE(copy.set_value("RequestId", "changed"));
    EXPECT_TRUE(item.set_value("DomainName", "other.org"));
    EXPECT_EQ(answer.get_json("RequestId"), "\"R1\"");
    EXPECT_EQ(answer.get_item_object(0, "Domains.Domain").get_json("DomainName"),
              "\"example.com\"");
    EXPECT_EQ(copy.get_json("RequestId"), "\"changed\"");
    EXPECT_EQ(item.get_json("DomainName"), "\"other.org\"");
    EXPECT_EQ(stringify_json(answer.engine().member("Domains")->member("Domain")->element(1)),
              "{\"DomainId\":\"2\",\"DomainName\":\"\xE4\xB8\xAD\xE6\x96\x87.com\"}");
}

TEST(JsonDocument, ChineseAndEscapesReadBackAsGbk) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(R"({"rr":"中文","u":"\u4e2d\u6587","e":"\ud83d\ude00!","主机":"@"})"));
    EXPECT_EQ(doc.get_text("rr"), "中文");
    EXPECT_EQ(doc.get_text("u"), "中文");
    EXPECT_EQ(doc.get_json("u"), "\"中文\"");
    EXPECT_EQ(doc.get_text("e").substr(0, 1), "?");  // GBK cannot hold it
    EXPECT_EQ(doc.get_text("主机"), "@");
    TextArray names;
    doc.member_names(names);
    EXPECT_EQ(names.back(), "主机");
}

// Random paths of every shape never crash an operation; a value stored at a path reads back
// unchanged, and the document's JSON reads back as itself.
TEST(JsonDocument, RandomPathsAndValues) {
    const Text steps[] = {".a", ".b", ".中", ".0", ".da", "[0]", "[1]", "[", "]", ".", " "};
    const Text value_pieces[] = {"v", "中", "\\", "'", "\"", "\r\n", "誡", "\xA1\xA1", " ", "{}"};
    std::mt19937 random(99);
    const auto some_text = [&](const auto& pieces, int most) {
        Text text;
        for (int n = static_cast<int>(random() % (most + 1)); n > 0; --n) {
            text += pieces[random() % std::size(pieces)];
        }
        return text;
    };
    JsonDocument doc;
    for (int round = 0; round < 2000; ++round) {
        Text path = some_text(steps, 3);
        if (!path.empty() && path[0] == '.' && random() % 8) {
            path.erase(0, 1);
        }
        const Text value = some_text(value_pieces, 4);
        switch (random() % 6) {
            case 0:
                if (doc.set_value(path, value)) {
                    ASSERT_EQ(doc.get_text(path), value) << path;
                    ASSERT_EQ(doc.value_type(path), kJsonTypeString) << path;
                }
                break;
            case 1:
                doc.set_value(path, R"({"a":[1,{"b":"x"}],"0":null})", true);
                break;
            case 2:
                if (doc.add_item(value, path)) {
                    ASSERT_EQ(doc.get_item_text(doc.count(path) - 1, path), value) << path;
                }
                break;
            case 3:
                doc.remove(path);
                doc.remove_item(static_cast<int>(random() % 3) - 1, path);
                break;
            case 4: {
                TextArray out;
                doc.member_names(out, path);
                doc.all_values(out, path, true);
                doc.get_object(path).get_item_object(0).get_json();
                doc.set_item(static_cast<int>(random() % 3), path, value);
                break;
            }
            default:
                if (doc.value_type("") != kJsonTypeObject || round % 50 == 0) {
                    doc.clear();
                }
        }
        // Stored backslashes come back bare, which is not JSON; the rest must read back.
        const Text json = doc.to_json();
        if (json.find('\\') == Text::npos) {
            JsonDocument again;
            ASSERT_TRUE(again.parse(json)) << json;
            ASSERT_EQ(again.to_json(), json);
        }
    }
}

}  // namespace
