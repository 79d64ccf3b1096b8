// The SCPI parser: lines into commands, headers against the command table, parameters into values.
#include "scpi/scpi_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scpi/scpi_commands.h"

namespace korvane::scpi {
namespace {

// A unit as one text: ":SOUR:FREQ? [MAX]", or "error -102".
std::string Describe(const ProgramUnit& unit) {
  if (unit.error) return "error " + std::to_string(unit.error);
  std::string text = unit.absolute ? ":" : "";
  for (size_t i = 0; i < unit.nodes.size(); ++i) text += (i ? ":" : "") + unit.nodes[i];
  if (unit.query) text += "?";
  if (!unit.params.empty()) {
    text += " [";
    for (size_t i = 0; i < unit.params.size(); ++i) text += (i ? "|" : "") + unit.params[i];
    text += "]";
  }
  return text;
}

TEST(ScpiParser, SplitsLinesIntoCommands) {
  const struct {
    std::string line;
    std::vector<std::string> units;
  } cases[] = {
      {"*IDN?", {"*IDN?"}},
      {"freq 1 GHz", {"FREQ [1 GHz]"}},
      {":sour:freq:cw 1e9;POW -4 ; OUTP ON", {":SOUR:FREQ:CW [1e9]", "POW [-4]", "OUTP [ON]"}},
      {"LIST:FREQ 1, 2 ,3\t", {"LIST:FREQ [1|2|3]"}},
      {"SYST:ERR?;;", {"SYST:ERR?"}},
      {"", {}},
      {" \t ", {}},
      {"A 'x;y';B \"p,q\"", {"A ['x;y']", "B [\"p,q\"]"}},
      {"FREQ 1,,2", {"error -102"}},
      {"FREQ 1,", {"error -102"}},
      {"FREQ#1;*CLS", {"error -102", "*CLS"}},
      {"FREQ::CW 1", {"error -102"}},
      {"FREQ:", {"error -102"}},
      {"*", {"error -102"}},
      {"*ID3?", {"error -102"}},
      {"1FREQ 5", {"error -102"}},
      {"FREQ??", {"error -102"}},
      // Control bytes, NUL among them, count as white space.
      {std::string("FREQ\0 5\r", 8), {"FREQ [5]"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> units;
    for (const ProgramUnit& unit : SplitLine(c.line)) units.push_back(Describe(unit));
    EXPECT_EQ(units, c.units) << c.line;
  }
}

TEST(ScpiParser, MatchesShortAndLongFormsAndOptionalNodes) {
  const struct {
    const char* pattern;
    std::vector<std::string> nodes;
    bool matches;
  } cases[] = {
      {"[SOURce:]FREQuency[:CW|:FIXed]", {"FREQ"}, true},
      {"[SOURce:]FREQuency[:CW|:FIXed]", {"FREQUENCY"}, true},
      {"[SOURce:]FREQuency[:CW|:FIXed]", {"SOUR", "FREQ", "CW"}, true},
      {"[SOURce:]FREQuency[:CW|:FIXed]", {"SOURCE", "FREQUENCY", "FIXED"}, true},
      {"[SOURce:]FREQuency[:CW|:FIXed]", {"FREQU"}, false},
      {"[SOURce:]FREQuency[:CW|:FIXed]", {"FRE"}, false},
      {"[SOURce:]FREQuency[:CW|:FIXed]", {"FREQ", "CW", "CW"}, false},
      {"[SOURce:]FREQuency[:CW|:FIXed]", {"SOUR"}, false},
      {"[SOURce:]FREQuency[:CW|:FIXed]", {"CW"}, false},
      {"SYSTem:ERRor[:NEXT]", {"SYST", "ERR", "NEXT"}, true},
      {"SYSTem:ERRor[:NEXT]", {"SYS", "ERR"}, false},
      {"[SOURce:]POWer[:LEVel][:IMMediate][:AMPLitude]", {"POW", "AMPL"}, true},
      {"[SOURce:]POWer[:LEVel][:IMMediate][:AMPLitude]", {"POW", "AMPL", "LEV"}, false},
      {"*IDN", {"*IDN"}, true},
      {"*IDN", {"*IDNX"}, false},
      // The numeric suffix 1, where the pattern allows one.
      {"[SOURce#:]FREQuency", {"SOUR1", "FREQ"}, true},
      {"[SOURce#:]FREQuency", {"SOURCE1", "FREQ"}, true},
      {"[SOURce#:]FREQuency", {"SOUR2", "FREQ"}, false},
      {"[SOURce#:]FREQuency", {"SOUR11", "FREQ"}, false},
      {"[SOURce#:]FREQuency", {"FREQ1"}, false},
      {"OUTPut#[:STATe]", {"OUTP1"}, true},
      {"OUTPut#[:STATe]", {"OUTPUT1", "STAT"}, true},
      {"OUTPut#[:STATe]", {"OUTP", "STAT1"}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HeaderPattern(c.pattern).Matches(c.nodes), c.matches) << c.pattern << " " << c.nodes[0];
  }
}

TEST(ScpiParser, ResolvesHeadersAlongThePathOfTheLine) {
  constexpr int kUndefined = -1;
  const struct {
    std::string line;
    std::vector<int> ops;  // Op, or kUndefined
  } cases[] = {
      {"FREQ:STAR 1;STOP 2", {int(Op::Start), int(Op::Stop)}},
      {"FREQ:STAR 1;POW 2", {int(Op::Start), int(Op::Power)}},
      {"FREQ:STAR 1;:STOP 2", {int(Op::Start), kUndefined}},
      {"SOUR:FREQ 1;POW 2", {int(Op::Frequency), int(Op::Power)}},
      {"LIST:FREQ 1;DWEL 2;*OPC;DWEL?",
       {int(Op::ListFrequency), int(Op::ListDwell), int(Op::OperationComplete), int(Op::ListDwell)}},
      {"ROSC:SOUR INT;FREQ 10", {int(Op::ReferenceSource), int(Op::ReferenceFrequency)}},
      {"BOGUS;FREQ 1", {kUndefined, int(Op::Frequency)}},
      {"syst:err:next?;*ESE 4;OUTPut:STATe?", {int(Op::NextError), int(Op::EventStatusEnable), int(Op::OutputState)}},
      {"FREQ:LOCK?;FREQ:OUTP OUT2;:FREQ:MODE LIST", {int(Op::Lock), int(Op::FrequencyOutput), int(Op::Mode)}},
      {"SWE:POIN 5;DWEL 1;COUN INF;:INIT:IMM;:ABOR",
       {int(Op::SweepPoints), int(Op::SweepDwell), int(Op::SweepCount), int(Op::Initiate), int(Op::Abort)}},
      {"SYST:ERR:ALL?;COUN?;NEXT?;:SYST:VERS?",
       {int(Op::AllErrors), int(Op::ErrorCount), int(Op::NextError), int(Op::Version)}},
      {"STAT:OPER?;OPER:COND?;ENAB 8;:STAT:QUES:EVEN?;COND?;ENAB?;:STAT:PRES",
       {int(Op::OperationEvent), int(Op::OperationCondition), int(Op::OperationEnable), int(Op::QuestionableEvent),
        int(Op::QuestionableCondition), int(Op::QuestionableEnable), int(Op::StatusPreset)}},
      {"SOUR1:FREQ 1;POW 2;:OUTP1 ON;:OUTP1:STAT?",
       {int(Op::Frequency), int(Op::Power), int(Op::OutputState), int(Op::OutputState)}},
      {"*TST?;*OPT?;*SRE 16;*SRE?",
       {int(Op::SelfTest), int(Op::Options), int(Op::ServiceRequestEnable), int(Op::ServiceRequestEnable)}},
  };
  for (const auto& c : cases) {
    HeaderResolver resolver(CommandPatterns());
    std::vector<int> ops;
    for (const ProgramUnit& unit : SplitLine(c.line)) {
      const int index = resolver.Resolve(unit);
      ops.push_back(index < 0 ? kUndefined : int(Commands()[static_cast<size_t>(index)].op));
    }
    EXPECT_EQ(ops, c.ops) << c.line;
  }
}

TEST(ScpiParser, ReadsNumbersWithUnitsAndKeywords) {
  const struct {
    std::string text;
    Quantity quantity;
    std::vector<const char*> keywords;
    int error;
    double number;  // or the keyword's index
  } cases[] = {
      {"1", Quantity::Plain, {}, kNoError, 1},
      {"-2.5", Quantity::Plain, {}, kNoError, -2.5},
      {"+.5e3", Quantity::Plain, {}, kNoError, 500},
      {"1E-3", Quantity::Plain, {}, kNoError, 0.001},
      {"7.", Quantity::Plain, {}, kNoError, 7},
      {"1e-999", Quantity::Plain, {}, kNoError, 0},
      {"1 GHZ", Quantity::Frequency, {}, kNoError, 1e9},
      {"1.5mhz", Quantity::Frequency, {}, kNoError, 1.5e6},
      {"10 KHz", Quantity::Frequency, {}, kNoError, 1e4},
      {"2MAHZ", Quantity::Frequency, {}, kNoError, 2e6},
      {"5e2 hz", Quantity::Frequency, {}, kNoError, 500},
      {"-3 dBm", Quantity::Power, {}, kNoError, -3},
      {"10ms", Quantity::Time, {}, kNoError, 0.01},
      {"3 us", Quantity::Time, {}, kNoError, 3e-6},
      {"2 S", Quantity::Time, {}, kNoError, 2},
      {"MAX", Quantity::Frequency, {"MINimum", "MAXimum"}, kNoError, 1},
      {"minimum", Quantity::Frequency, {"MINimum", "MAXimum"}, kNoError, 0},
      {"inf", Quantity::Plain, {"INFinite"}, kNoError, 0},
      {"1.2.3", Quantity::Plain, {}, kSyntaxError, 0},
      {"1e", Quantity::Plain, {}, kSyntaxError, 0},
      {"1e+", Quantity::Frequency, {}, kSyntaxError, 0},
      {"--1", Quantity::Plain, {}, kSyntaxError, 0},
      {".", Quantity::Plain, {}, kSyntaxError, 0},
      {"", Quantity::Plain, {}, kSyntaxError, 0},
      {"\"text\"", Quantity::Plain, {}, kSyntaxError, 0},
      {"1 GHZ extra", Quantity::Frequency, {}, kSyntaxError, 0},
      {"5 G-HZ", Quantity::Frequency, {}, kSyntaxError, 0},
      {"1e999", Quantity::Plain, {}, kDataOutOfRange, 0},
      // Huge despite its negative exponent: it read as zero and switched an output off.
      {"1" + std::string(400, '0') + "E-1", Quantity::Plain, {}, kDataOutOfRange, 0},
      {"0." + std::string(400, '0') + "1E+5", Quantity::Plain, {}, kNoError, 0},
      {"1e307 GHZ", Quantity::Frequency, {}, kDataOutOfRange, 0},
      {"5 DBM", Quantity::Frequency, {}, kInvalidSuffix, 0},
      {"1GHZ", Quantity::Plain, {}, kInvalidSuffix, 0},
      {"5 XHZ", Quantity::Frequency, {}, kInvalidSuffix, 0},
      {"2 HZ", Quantity::Time, {}, kInvalidSuffix, 0},
      {"DEF", Quantity::Frequency, {"MINimum", "MAXimum", "DEFault"}, kNoError, 2},
      {"default", Quantity::Power, {"MINimum", "MAXimum", "DEFault"}, kNoError, 2},
      {"MAXI", Quantity::Frequency, {"MINimum", "MAXimum"}, kIllegalParameterValue, 0},
      {"nan", Quantity::Plain, {}, kIllegalParameterValue, 0},
      {"inf", Quantity::Plain, {}, kIllegalParameterValue, 0},
      {"-INF", Quantity::Frequency, {"MINimum", "MAXimum"}, kIllegalParameterValue, 0},
      {"+inf", Quantity::Plain, {"INFinite"}, kIllegalParameterValue, 0},
  };
  for (const auto& c : cases) {
    const Parameter p = ReadParameter(c.text, c.quantity, c.keywords);
    EXPECT_EQ(p.error, c.error) << c.text;
    if (p.error || c.error) continue;
    EXPECT_EQ(p.isKeyword, !c.keywords.empty()) << c.text;
    EXPECT_DOUBLE_EQ(p.isKeyword ? static_cast<double>(p.keyword) : p.number, c.number) << c.text;
  }
}

}  // namespace
}  // namespace korvane::scpi
