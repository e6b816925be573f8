// The generated udev rules grant the seat's user each catalogued board and
// nothing else.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include "tests/support/TestEnv.h"

namespace {

std::string Generator() {
    return testenv::SourceDir() + "/tools/udevrules/GenerateUdevRules.cmake";
}

// The ids each rule line grants; fails the test on any other kind of line.
std::set<std::string> Granted(const std::string& rules) {
    std::set<std::string> ids;
    std::istringstream lines(rules);
    const std::regex rule(R"re(SUBSYSTEM=="hidraw", KERNELS=="\*:([0-9A-F]{4}):([0-9A-F]{4})\.\*", TAG\+="uaccess")re");
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::smatch m;
        EXPECT_TRUE(std::regex_match(line, m, rule)) << line;
        if (!m.empty()) ids.insert(m[1].str() + ":" + m[2].str());
        EXPECT_EQ(line.find("0666"), std::string::npos);
    }
    return ids;
}

// The catalogue's ids read independently of the generator.
std::set<std::string> CatalogueIds(const std::string& xml) {
    std::set<std::string> ids;
    const std::regex mode(R"(<mode\s[^>]*>)");
    const std::regex vid(R"re(\svid\s*=\s*["'](?:0[xX])?([0-9A-Fa-f]{1,4})["'])re");
    const std::regex pid(R"re(\spid\s*=\s*["'](?:0[xX])?([0-9A-Fa-f]{1,4})["'])re");
    for (std::sregex_iterator it(xml.begin(), xml.end(), mode), end; it != end; ++it) {
        std::string tag = it->str();
        std::smatch v, p;
        if (!std::regex_search(tag, v, vid) || !std::regex_search(tag, p, pid)) continue;
        char id[16];
        std::snprintf(id, sizeof id, "%04lX:%04lX", std::stoul(v[1].str(), nullptr, 16),
                      std::stoul(p[1].str(), nullptr, 16));
        ids.insert(id);
    }
    return ids;
}

}  // namespace

TEST(UdevRulesTest, GeneratedFromACatalogue) {
    std::string dir = testenv::MakeTempDir("udev");
    testenv::WriteFile(dir + "/config.xml", R"(<?xml version="1.0" encoding="utf-8"?>
<config><device.info>
  <keyboard name="Tastra K104" device_type="100" device_info="k104">
    <mode value="0" desc="wired" vid="0x1209" pid="0x0001" product_name="Tastra K104" hid_interface="VID_1209&amp;PID_0001&amp;MI_02"/>
  </keyboard>
  <!-- <mode value="0" vid="0xdead" pid="0xbeef"/> -->
  <keyboard name="Tastra K87" device_type="201" device_info="k87">
    <mode value="0" vid="1209" pid="2" product_name="Tastra K87" hid_interface="VID_1209&amp;PID_0002&amp;MI_02"/>
    <mode pid='0x0003' value="1" vid="0x1209"/>
    <mode value="2" vid="0x1209" pid="0x0004"/>
    <mode value="2" vid="0x1209" pid="0x0004"/>
    <mode value="2" vid="0x1209" pid="zz"/>
    <mode value="2" vid="0x1209" pid="0x10004"/>
    <mode value="2" vid="0x1209" pid="0xabcd"/>
  </keyboard>
</device.info></config>
)");
    std::string out = dir + "/60-tastra.rules";
    std::string err;
    ASSERT_EQ(testenv::RunProcess(
                  {TASTRA_CMAKE_COMMAND, "-DCONFIG=" + dir + "/config.xml", "-DOUTPUT=" + out, "-P", Generator()},
                  nullptr, &err),
              0)
        << err;
    EXPECT_EQ(Granted(testenv::ReadFile(out)),
              (std::set<std::string>{"1209:0001", "1209:0002", "1209:0003", "1209:0004", "1209:ABCD"}));

    // No catalogue: a valid file that grants nothing.
    ASSERT_EQ(testenv::RunProcess(
                  {TASTRA_CMAKE_COMMAND, "-DCONFIG=" + dir + "/missing.xml", "-DOUTPUT=" + out, "-P", Generator()}),
              0);
    EXPECT_TRUE(Granted(testenv::ReadFile(out)).empty());
}

TEST(UdevRulesTest, BuiltRulesMatchTheShippedCatalogue) {
    std::string config = testenv::SourceDir() + "/data/config.xml";
    std::string rules = testenv::BinDir() + "/../lib/udev/rules.d/60-tastra.rules";
    ASSERT_TRUE(testenv::FileExists(rules));
    std::set<std::string> expected;
    if (testenv::FileExists(config)) expected = CatalogueIds(testenv::ReadFile(config));
    EXPECT_EQ(Granted(testenv::ReadFile(rules)), expected);
}
