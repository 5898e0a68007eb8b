// Configuration documents and the record each must give, shared by the parser's own test and
// the fetch test that has the test server deliver them.
#pragma once

#include <deque>
#include <string>

namespace testcases {

using List = std::deque<std::string>;

inline constexpr char kZeroCounts[] =
    "[WINXPWP]\nurlcount=0\n[WIN7WP]\nurlcount=0\n[WINXP]\nurlcount=0\n[WIN7]\nurlcount=0\n";

struct ConfigCase {
    std::string name;
    std::string document;
    bool ok;
    List xp;
    List win7;
    // Empty: the default expression.
    std::string regex;
    // How the server delivers the body: "" plain, or a query suffix such as "&mode=pieces&size=1".
    std::string delivery = "";
};

inline std::string Group(const char* section, const std::string& body) {
    return std::string("[") + section + "]\n" + body;
}

// Documents and what parsing them must give; the delivery says how the test server sends each.
inline const ConfigCase kConfigCases[] = {
    {"all counts zero, no BAIDU section", kZeroCounts, true, {}, {}, ""},
    {"count larger than the keys present",
     Group("WINXPWP", "urlcount=2\nurl1=http://a/1\nurl3=http://a/3\n") +
         Group("WIN7WP", "urlcount=0\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n"),
     false,
     {"http://a/1"},
     {},
     ""},
    {"count smaller than the keys present",
     Group("WINXPWP", "urlcount=1\nurl1=http://a/1\nurl2=http://a/2\n") +
         Group("WIN7WP", "urlcount=0\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n"),
     true,
     {"http://a/1"},
     {},
     ""},
    {"blanks around keys and values",
     Group("WINXPWP", "  urlcount =  1 \n url1\t=  http://a/1  \n") +
         Group("WIN7WP", "urlcount=0\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n") + "[BAIDU]\n regex =  x+y  \n",
     true,
     {"http://a/1"},
     {},
     "x+y"},
    {"count with trailing letters",
     Group("WINXPWP", "urlcount=1abc\nurl1=http://a/1\n") + Group("WIN7WP", "urlcount=0\n") +
         Group("WINXP", "urlcount=0\n") + Group("WIN7", "urlcount=0\n"),
     false,
     {},
     {},
     ""},
    {"negative count",
     Group("WINXPWP", "urlcount=-1\nurl1=http://a/1\n") + Group("WIN7WP", "urlcount=0\n") +
         Group("WINXP", "urlcount=0\n") + Group("WIN7", "urlcount=0\n"),
     false,
     {"http://a/1"},
     {},
     ""},
    {"a missing count",
     Group("WINXPWP", "urlcount=0\n") + Group("WIN7WP", "urlcount=0\n"),
     false,
     {},
     {},
     ""},
    {"both groups of both images, in order",
     Group("WIN7", "urlcount=1\nurl1=http://w7/second\n") +
         Group("WINXP", "urlcount=2\nurl2=http://xp/second-2\nurl1=http://xp/second-1\n") +
         Group("WIN7WP", "urlcount=2\nurl1=http://w7/first-1\nurl2=http://w7/first-2\n") +
         Group("WINXPWP", "urlcount=1\nurl1=http://xp/first\n") + "[OTHER]\nurlcount=9\n",
     true,
     {"http://xp/first", "http://xp/second-1", "http://xp/second-2"},
     {"http://w7/first-1", "http://w7/first-2", "http://w7/second"},
     ""},
    {"expression given",
     std::string(kZeroCounts) +
         "; comment\n# another\n\n[BAIDU]\nregex=http://\\S+pan\\S+=private?\n",
     true,
     {},
     {},
     "http://\\S+pan\\S+=private?"},
    {"BAIDU section without regex",
     std::string(kZeroCounts) + "[BAIDU]\nother=1\n",
     true,
     {},
     {},
     ""},
    {"8-bit text kept as sent",
     Group("WINXPWP", "urlcount=1\nurl1=http://a/\xd6\xd0\xce\xc4.qrn\n") +
         Group("WIN7WP", "urlcount=0\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n"),
     true,
     {"http://a/\xd6\xd0\xce\xc4.qrn"},
     {},
     ""},
    {"a line without equals sign", std::string(kZeroCounts) + "garbage line\n", false, {}, {}, ""},
    {"a duplicate section", std::string(kZeroCounts) + "[WIN7]\nx=1\n", false, {}, {}, ""},
    {"body in one-byte pieces",
     Group("WINXPWP", "urlcount=2\nurl1=http://a/1\nurl2=http://a/2\n") +
         Group("WIN7WP", "urlcount=1\nurl1=http://b/1\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n") + "[BAIDU]\nregex=r\n",
     true,
     {"http://a/1", "http://a/2"},
     {"http://b/1"},
     "r",
     "&mode=pieces&size=1"},
    {"body in pieces larger than one read",
     Group("WINXPWP", "urlcount=1\nurl1=http://a/" + std::string(3000, 'x') + "\n") +
         Group("WIN7WP", "urlcount=0\n") + Group("WINXP", "urlcount=0\n") +
         Group("WIN7", "urlcount=0\n"),
     true,
     {"http://a/" + std::string(3000, 'x')},
     {},
     "",
     "&mode=pieces&size=700&delay_ms=5"},
    {"an HTML error page", kZeroCounts, false, {}, {}, "", "&mode=status&code=404"},
    {"empty body", "", false, {}, {}, ""},
};

}  // namespace testcases
