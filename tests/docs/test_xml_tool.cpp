// tastra-xml: its exact output and exit codes, run as the built binary.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "tests/support/TestEnv.h"

namespace {

std::string Tool() { return testenv::BinDir() + "/tastra-xml"; }

int RunTool(const std::vector<std::string>& args, std::string* out) {
    out->clear();
    std::vector<std::string> argv{Tool()};
    argv.insert(argv.end(), args.begin(), args.end());
    return testenv::RunProcess(argv, out);
}

}  // namespace

TEST(XmlTool, PrintsEveryElementWithItsAttributes) {
    const std::string dir = testenv::MakeTempDir("tool");
    testenv::WriteFile(dir + "/config.xml",
                       "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                       "<config product=\"Tastra\" ver='1.2'>\r\n"
                       "  <device.info>\r\n"
                       "    <keyboard name=\"K87 &amp; \\ &quot;pro&quot;\" tab=\"a\tb\" lf=\"a\nb\" ctl=\"&#1;&#x7F;&#31;\" "
                       "dup=\"1\" dup=\"2\"/>\r\n"
                       "    <keyboard name=\"\xC3\xA9&#x1F600;&nbsp;\" empty=\"\"/>\r\n"
                       "  </device.info>\r\n"
                       "  <layout/>\r\n"
                       "</config>\r\n");
    std::string out;
    EXPECT_EQ(RunTool({dir + "/config.xml"}, &out), 0);
    EXPECT_EQ(out,
              "well-formed: yes\n"
              "config product=\"Tastra\" ver=\"1.2\"\n"
              "config/device.info\n"
              "config/device.info/keyboard name=\"K87 & \\\\ \\\"pro\\\"\" tab=\"a\\x09b\" lf=\"a\\x0Ab\" "
              "ctl=\"\\x01\\x7F\\x1F\" dup=\"1\" dup=\"2\"\n"
              "config/device.info/keyboard name=\"\xC3\xA9\xF0\x9F\x98\x80\xC2\xA0\" empty=\"\"\n"
              "config/layout\n");

    // Ill-formed documents are listed as far as they were indexed; a lone
    // surrogate (here from a UTF-16 file) prints as U+FFFD.
    std::u16string text = u"<a><b x='\xD800'></a><c/>";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) bytes += static_cast<char>(c & 0xFF), bytes += static_cast<char>(c >> 8);
    testenv::WriteFile(dir + "/bad.xml", bytes);
    EXPECT_EQ(RunTool({dir + "/bad.xml"}, &out), 0);
    EXPECT_EQ(out, "well-formed: no\na\na/b x=\"\xEF\xBF\xBD\"\nc\n");

    testenv::WriteFile(dir + "/empty.xml", "");
    EXPECT_EQ(RunTool({dir + "/empty.xml"}, &out), 0);
    EXPECT_EQ(out, "well-formed: no\n");
}

TEST(XmlTool, ExitCodes) {
    const std::string dir = testenv::MakeTempDir("codes");
    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string out;
    for (const std::string& path : {dir + "/missing.xml", dir, fifo}) {
        EXPECT_EQ(RunTool({path}, &out), 1) << path;  // never waits on the FIFO
        EXPECT_EQ(out, "");
    }
    EXPECT_EQ(RunTool({}, &out), 2);
    EXPECT_EQ(RunTool({"a.xml", "b.xml"}, &out), 2);
    EXPECT_EQ(out, "");
}
