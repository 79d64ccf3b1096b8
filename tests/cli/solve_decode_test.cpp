// korvane-cli solve and decode, run as a user runs them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "synth/chip_facts.h"

namespace {

using korvane::test::CliPath;
using korvane::test::RunCli;
using RunResult = korvane::test::CliResult;

class CliTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(access(CliPath().c_str(), X_OK), 0) << "no korvane-cli at " << CliPath(); }
};

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST_F(CliTest, SolveAndDecode) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* contains;  // in stdout; first line when it ends in ';'
  };
  const Case cases[] = {
      {{"solve", "144"}, 0, "4 00E60020 20008028 18007FC0 01000000 00DC8028 60400000;"},
      {{"solve", "10368", "--band", "1", "--slot", "0"}, 0, "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;"},
      {{"solve", "144", "--power", "off", "--slot", "2"},
       0,
       "2 00000000 20008028 18007FC0 01000000 00DC8000 60400000;"},
      {{"solve", "2200", "--chip", "adf4350", "--power", "+5"},
       0,
       "4 006E0000 08008010 18007EC0 00000000 00878038 00400000;"},
      {{"solve", "50", "--chip", "adf4351", "--ref", "25", "--power", "+5", "--slot", "0"},
       0,
       "0 00A00000 08008010 1A017EC0 00000000 00E78038 00400000;"},
      {{"solve", "1296"}, 0, "achieved    1295.999878 MHz"},
      {{"solve", "1296"}, 0, "error       -122.160 Hz"},
      {{"solve", "1296", "--exact", "--slot", "2"}, 0, "2 01030010 20008028 18007FC0 01000000 00AC8028 60400000;"},
      {{"solve", "1296", "--exact"}, 0, "achieved    1296.000000 MHz"},
      {{"solve", "1296", "--exact"}, 0, "error       0.000 Hz"},
      {{"solve", "1296.0001", "--exact"}, 0, "error       22.190 Hz"},
      {{"solve", "1e300", "--exact"}, 0, "error       below -1 THz"},
      {{"solve", " 1.296e3 "}, 0, "achieved    1295.999878 MHz"},
      {{"solve", "7000", "--chip", "adf4350"}, 0, "in band     no"},
      {{"solve", "144", "--ref", "250"}, 1, nullptr},  // MAX2871 takes at most 210 MHz
      {{"solve", "144", "--ref", "4.99", "--chip", "adf4350"}, 1, nullptr},
      {{"solve", "abc"}, 2, nullptr},
      {{"solve", "inf"}, 2, nullptr},
      {{"solve", "5500", "--band", "1", "--power", "+5"}, 2, nullptr},
      {{"solve", "144", "--chip", "adf4352"}, 2, nullptr},
      {{"solve", "144", "--slot", "5"}, 2, nullptr},
      {{"decode", "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;", "--s-suffix"},
       0,
       "frequency   10367.999023 MHz"},
      {{"decode", "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;"}, 0, "frequency   5183.999511 MHz"},
      {{"decode", "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;"}, 0, "power       -4dBm"},
      {{"decode", "0 0x1033328 2000FFE8 18007FC0 1000000 8C8140 60400000", "--ref", "20"},
       0,
       "frequency   10367.999023 MHz"},
      {{"decode", "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;", "--ref", "250", "--chip", "adf4351"},
       0,
       "(pfd 250.000000 MHz)"},
      {{"decode", "2 00000000 20008028 18007FC0 01000000 00DC8000 60400000;"}, 0, "off"},
      {{"decode", "OK;"}, 2, nullptr},
      {{"decode", "4 00E60020 20008028 18007FC0;"}, 2, nullptr},
      // R counter 0: there is no comparison frequency to divide by.
      {{"decode", "0 01033328 2000FFE8 18000000 01000000 008C8140 60400000;"}, 1, nullptr},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    RunResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    if (!c.contains) continue;
    std::string wanted = c.contains;
    if (wanted.back() == ';') {
      EXPECT_EQ(FirstLine(r.out), wanted);
    } else {
      EXPECT_NE(r.out.find(wanted), std::string::npos) << r.out;
    }
  }
}

// A number on the command line is the whole argument; decode refuses a reference no chip
// runs with and a set no board could have stored. Each refusal prints nothing on stdout.
TEST_F(CliTest, RefusesPartNumbersReferencesOutOfRangeAndOverlongWords) {
  const std::string set = "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;";
  struct Case {
    std::vector<std::string> args;
    const char* err;
  };
  const Case cases[] = {
      {{"solve", "145.2abc"}, "FREQ_MHZ '145.2abc' is not a number"},
      {{"solve", "1e"}, "FREQ_MHZ '1e' is not a number"},
      {{"solve", "1,5"}, "FREQ_MHZ '1,5' is not a number"},
      {{"solve", ""}, "FREQ_MHZ '' is not a number"},
      {{"solve", "nan"}, "FREQ_MHZ 'nan' is not a number"},
      {{"solve", "144", "--ref", "10MHz"}, "--ref '10MHz' is not a number"},
      {{"decode", set, "--ref", "10MHz"}, "--ref '10MHz' is not a number"},
      {{"decode", set, "--ref", "1e308", "--json"}, "--ref 1e308 is outside the MAX2871's reference range of 5 to 210"},
      {{"decode", set, "--ref", "0"}, "--ref 0 is outside"},
      {{"decode", set, "--ref", "-10"}, "--ref -10 is outside"},
      {{"decode", set, "--ref", "4.99", "--chip", "adf4350"}, "ADF4350's reference range of 5 to 250 MHz"},
      // Nine digits: the first one used to be dropped without a word.
      {{"decode", "0 101033328 2000FFE8 18007FC0 01000000 008C8140 60400000;"}, "is not a register set"},
      {{"decode", set + " 7"}, "is not a register set"},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    RunResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

// decode --json: the keys and then every field of the MAX2871 by name, in "fields".
std::vector<std::string> WithFields(std::vector<std::string> keys) {
  keys.push_back("fields");
  for (const korvane::RegisterField& f : korvane::Facts(korvane::ChipType::Max2871).fields) keys.emplace_back(f.name);
  return keys;
}

TEST_F(CliTest, JsonCarriesExactlyTheDocumentedKeys) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> keys;
    std::vector<std::string> fragments;
  };
  const Case cases[] = {
      {{"solve", "10368", "--band", "1", "--slot", "0", "--json"},
       {"slot", "chip", "band", "power_level", "ref_divisor", "pfd", "divExp", "INT", "FRAC", "MOD", "achieved_mhz",
        "error_hz", "in_band", "overrides", "command"},
       {"\"chip\":2", "\"INT\":518", "\"FRAC\":1637", "\"MOD\":4093", "\"achieved_mhz\":10367.999023",
        "\"error_hz\":-977.2", "\"in_band\":true",
        "\"command\":\"0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;\""}},
      {{"decode", "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;", "--s-suffix", "--json"},
       WithFields({"off", "band", "power_index", "INT", "FRAC", "MOD", "divExp", "ref_divisor", "frequency_mhz"}),
       {"\"off\":false", "\"band\":1", "\"power_index\":1", "\"ref_divisor\":2", "\"frequency_mhz\":10367.999023"}},
      {{"decode", "2 00000000 20008028 18007FC0 01000000 00DC8000 60400000;", "--json"},
       WithFields({"off", "band", "power_index", "INT", "FRAC", "MOD", "divExp", "ref_divisor", "frequency_mhz"}),
       {"\"off\":true", "\"frequency_mhz\":null"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    RunResult r = RunCli(c.args);
    ASSERT_EQ(r.exitCode, 0);
    // Every key once, and nothing else: count the keys by their "name": pattern.
    size_t keyCount = 0;
    for (size_t pos = 0; (pos = r.out.find("\":", pos)) != std::string::npos; ++pos) ++keyCount;
    EXPECT_EQ(keyCount, c.keys.size()) << r.out;
    for (const std::string& key : c.keys) EXPECT_NE(r.out.find("\"" + key + "\":"), std::string::npos) << key;
    for (const std::string& f : c.fragments) EXPECT_NE(r.out.find(f), std::string::npos) << f << " in " << r.out;
  }
}

// The examples of the README and the bands users meet: 0 Hz in exact mode on every chip, where the classic
// search is 12 Hz to 1 kHz low.
TEST_F(CliTest, ExactSolveOfTheCommonBands) {
  struct Case {
    const char* chip;
    const char* band;
    const char* frequency;
    int divExp, INT, FRAC, MOD;
    const char* achieved;
  };
  const Case cases[] = {
      {"max2871", "0", "1296", 2, 518, 2, 5, "1296.000000"},
      {"adf4350", "0", "1296", 1, 259, 1, 5, "1296.000000"},
      {"adf4351", "0", "1296", 1, 259, 1, 5, "1296.000000"},
      {"max2871", "0", "2256", 1, 451, 1, 5, "2256.000000"},
      {"adf4350", "0", "2256", 0, 225, 3, 5, "2256.000000"},
      {"adf4351", "0", "2256", 0, 225, 3, 5, "2256.000000"},
      {"max2871", "0", "432.05", 3, 345, 16, 25, "432.050000"},
      {"adf4350", "0", "432.05", 3, 345, 16, 25, "432.050000"},
      {"adf4351", "0", "432.05", 3, 345, 16, 25, "432.050000"},
      {"max2871", "1", "10368", 0, 518, 2, 5, "10368.000000"},
      {"adf4350", "1", "10368", 0, 518, 2, 5, "10368.000000"},
      {"adf4351", "1", "10368", 0, 518, 2, 5, "10368.000000"},
      {"max2871", "1", "10368.1", 0, 518, 81, 200, "10368.100000"},
      {"adf4350", "1", "10368.1", 0, 518, 81, 200, "10368.100000"},
      {"adf4351", "1", "10368.1", 0, 518, 81, 200, "10368.100000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.chip << " " << c.frequency);
    RunResult r = RunCli({"solve", c.frequency, "--exact", "--json", "--chip", c.chip, "--band", c.band});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string wanted[] = {
        "\"divExp\":" + std::to_string(c.divExp),      "\"INT\":" + std::to_string(c.INT),
        "\"FRAC\":" + std::to_string(c.FRAC),          "\"MOD\":" + std::to_string(c.MOD),
        "\"achieved_mhz\":" + std::string(c.achieved), "\"error_hz\":0,",
    };
    for (const std::string& w : wanted) EXPECT_NE(r.out.find(w), std::string::npos) << w << " in " << r.out;
  }
}

}  // namespace
