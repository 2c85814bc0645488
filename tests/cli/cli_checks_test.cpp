// The tool's JSON strings.
#include <gtest/gtest.h>

#include <string>

#include "cli_support.h"
#include "text/json_text.h"

namespace zer2ivi::cli {
namespace {

TEST(JsonString, EscapesAndReplacesBytesThatAreNotUtf8) {
    struct Case {
        std::string text;
        std::string json;
    };
    const Case cases[] = {
        {"plain.zeb", "\"plain.zeb\""},
        {"a\"b\\c\n\t\x01\x7f", "\"a\\\"b\\\\c\\n\\t\\u0001\\u007f\""},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xa1", "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xa1\""},
        {"x\xffy", "\"x\\ufffdy\""},                  // never a UTF-8 byte
        {"\xc3", "\"\\ufffd\""},                       // sequence cut short
        {"\xc0\xaf", "\"\\ufffd\\ufffd\""},            // overlong form
        {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // surrogate
        {"\xf4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},  // above U+10FFFF
        {"\xe2\x82x", "\"\\ufffd\\ufffdx\""},
    };
    for (const Case& c : cases) EXPECT_EQ(text::Json_String(c.text), c.json) << c.json;
}
}  // namespace
}  // namespace zer2ivi::cli
