// The instrument's commands on the demo board, one table row each: what a query answers and
// which errors a line leaves in the client's queue.
#include "scpi/scpi_instrument.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/demo_board.h"
#include "session/board_session.h"
#include "support/demo_instrument.h"

namespace korvane::scpi {
namespace {

// A demo board (a MAX2871 with the second output) served as an instrument to clients 1 and 2.
struct DemoInstrument {
  DemoInstrument() {
    instrument = test::ConnectDemoInstrument(session, clock);
    EXPECT_NE(instrument, nullptr);
    instrument->AddClient(1);
    instrument->AddClient(2);
  }
  // The reply line, or "-" when the line had no reply.
  std::string Run(const std::string& line, ClientId id = 1) { return instrument->Execute(id, line).value_or("-"); }

  test::ManualClock clock;
  link::DemoStore demo;
  session::BoardSession session{clock, demo};
  std::unique_ptr<Instrument> instrument;
};

constexpr char kNone[] = "0,\"No error\"";

TEST(ScpiInstrument, EveryCommandAnswersAndQueuesWhatItShould) {
  const std::string powerOnHz = DemoInstrument().Run("FREQ?");
  const struct {
    std::string setup;  // run first, its reply ignored
    std::string query;  // its reply is compared
    std::string reply;
    std::string errors;  // SYST:ERR:ALL? afterwards
  } cases[] = {
      // IEEE 488.2 common commands.
      {"", "*IDN?", "Korvane,MAX2871,111111112222222233333333,3.40.1234", kNone},
      {"FREQ 1 GHZ;:OUTP OFF", "*RST;FREQ?;OUTP?", powerOnHz + ";0", kNone},
      {"BOGUS", "*CLS;*ESR?;SYST:ERR:COUN?", "0;0", kNone},
      {"", "*ESE 36;*ESE?", "36", kNone},
      {"", "*ESE 36.6;*ESE?;*ESE 36.4;*ESE?", "37;36", kNone},
      {"", "*ESE MAX;*ESE?;*ESE DEF;*ESE?;*ESE? MAX", "255;0;255", kNone},
      {"", "*ESE 256;*ESE?", "0", "-222,\"Data out of range\""},
      {"BOGUS;FREQ 99 GHZ", "*ESR?;*ESR?", "48;0", "-113,\"Undefined header\",-222,\"Data out of range\""},
      {"", "*OPC;*ESR?", "1", kNone},
      {"", "*OPC?;*WAI;*OPC?", "1;1", kNone},
      {"", "*STB?", "0", kNone},
      {"*ESE 32;BOGUS", "*STB?", "36", "-113,\"Undefined header\""},
      {"*ESE 32;*SRE 32;BOGUS", "*STB?", "100", "-113,\"Undefined header\""},
      {"", "*SRE 48;*SRE?", "48", kNone},
      {"", "*SRE 255;*SRE?;*SRE? DEF", "191;0", kNone},
      {"", "*SRE -1;*SRE?", "0", "-222,\"Data out of range\""},
      {"", "*TST?", "0", kNone},
      {"", "*OPT?", "OUT2", kNone},
      {"", "*RST?", "-", "-113,\"Undefined header\""},
      {"", "*RST 5", "-", "-108,\"Parameter not allowed\""},
      // SYSTem.
      {"", "SYST:ERR?;:SYST:ERR:NEXT?", std::string(kNone) + ";" + kNone, kNone},
      {"BOGUS;FREQ 99 GHZ", "SYST:ERR?", "-113,\"Undefined header\"", "-222,\"Data out of range\""},
      {"BOGUS;FREQ 99 GHZ", "SYST:ERR:ALL?;ALL?", "-113,\"Undefined header\",-222,\"Data out of range\";0,\"No error\"",
       kNone},
      {"BOGUS;BOGUS", "SYST:ERR:COUN?", "2", "-113,\"Undefined header\",-113,\"Undefined header\""},
      {"", "SYST:VERS?;:SYSTem:VERSion?", "1999.0;1999.0", kNone},
      // STATus.
      {"", "STAT:OPER:COND?;:STAT:OPER?;:STAT:QUES:COND?;:STAT:QUES?", "0;0;0;0", kNone},
      {"LIST:FREQ 1GHZ,2GHZ;:FREQ:MODE LIST;:INIT", "STAT:OPER:COND?;:STAT:OPER?;:STAT:OPER:EVEN?", "8;8;0", kNone},
      {"LIST:FREQ 1GHZ,2GHZ;:FREQ:MODE LIST;:INIT;:ABOR", "STAT:OPER:COND?;:STAT:OPER:EVENt?", "0;8", kNone},
      {"STAT:OPER:ENAB 8;:LIST:FREQ 1GHZ;:FREQ:MODE LIST;:INIT", "*STB?", "128", kNone},
      {"", "STAT:OPER:ENAB 65535;ENAB?;ENAB? MAX;:STAT:QUES:ENAB 32;ENAB?", "32767;32767;32", kNone},
      {"", "STAT:QUES:ENAB 65536;ENAB?", "0", "-222,\"Data out of range\""},
      {"STAT:OPER:ENAB 8;:STAT:QUES:ENAB 32", "STAT:PRES;:STAT:OPER:ENAB?;:STAT:QUES:ENAB?", "0;0", kNone},
      {"", "STAT:OPER:COND 5", "-", "-113,\"Undefined header\""},
      // MINimum, MAXimum and DEFault wherever a number is taken.
      {"FREQ 2 GHZ", "FREQ DEF;FREQ?;FREQ? DEF", powerOnHz + ";" + powerOnHz, kNone},
      {"", "FREQ? MIN;FREQ? MAX;FREQ:OUTP OUT1;:FREQ? MAX", "23500000.000;12000000000.000;6000000000.000", kNone},
      {"FREQ 1 GHZ;:POW 2", "POW? MIN;POW? MAX;POW MAX;POW?;POW MIN;POW?", "-4;5;5;-4", kNone},
      {"", "ROSC:FREQ MIN;FREQ?;FREQ? MAX;FREQ DEF;FREQ?", "5000000.000;210000000.000;10000000.000", kNone},
      {"", "FREQ:STAR MIN;STAR?;STOP 1GHZ;STOP DEF;STOP?", "23500000.000;12000000000.000", kNone},
      {"", "SWE:POIN MAX;POIN?;POIN? MIN;POIN? DEF", "100000;2;11", kNone},
      {"", "SWE:DWEL MAX;DWEL?;DWEL? MIN;:LIST:DWEL 2;DWEL DEF;DWEL?", "1000;0;0", kNone},
      {"", "SWE:COUN MAX;COUN?;COUN INF;COUN?;COUN DEF;COUN?", "1000000;INF;1", kNone},
      {"", "LIST:FREQ MIN,1GHZ,MAX;FREQ?", "23500000.000,1000000000.000,12000000000.000", kNone},
      {"", "*ESE DEFAULT;*ESE?;*SRE MIN;*SRE?", "0;0", kNone},
      // The numeric suffix 1 on SOURce and OUTPut; others are not headers.
      {"", "SOUR1:FREQ 1 GHZ;:SOUR1:FREQ?;:SOURCE1:POW 2;POW?", "1000000000.000;2", kNone},
      {"", "OUTP1 OFF;:OUTP1?;:OUTPUT1:STAT ON;:OUTP?", "0;1", kNone},
      {"", "SOUR2:FREQ 1 GHZ;:OUTP2 ON", "-", "-113,\"Undefined header\",-113,\"Undefined header\""},
      // Units, and a power the output does not reach.
      {"FREQ 1 GHZ", "FREQ 5 DBM;:FREQ 5 XHZ;:POW 3 HZ;:SWE:POIN 5 S;:FREQ?", "1000000000.000",
       "-131,\"Invalid suffix\",-131,\"Invalid suffix\",-131,\"Invalid suffix\",-131,\"Invalid suffix\""},
      {"FREQ 1 GHZ;:POW 2", "POW 100;POW?;POW -30;POW?;POW 5.5;POW?", "2;2;2",
       "-222,\"Data out of range\",-222,\"Data out of range\",-222,\"Data out of range\""},
      {"FREQ 1 GHZ", "POW 4;POW?;POW -3.9;POW?;POW 0;POW?", "5;-4;-1", kNone},
      {"FREQ 10 GHZ", "POW?;POW -1;POW 2;POW?", "-1;-1", "-222,\"Data out of range\""},
      // The rest of the output and sweep commands.
      {"", "FREQ:LOCK?;:FREQ:MODE?;:ROSC:SOUR EXT;SOUR?", "1;CW;EXT", kNone},
      {"FREQ 1 GHZ", "FREQ:OUTP OUT1;OUTP?;:FREQ:OUTP OUT2", "OUT1", "-221,\"Settings conflict\""},
      {"", "FREQ:MODE CW;:INIT;:ABOR", "-", "-221,\"Settings conflict\""},
      {"", "OUTP MAYBE;:OUTP DEF", "-", "-224,\"Illegal parameter value\",-224,\"Illegal parameter value\""},
      // Frequency plans: FREQ, STARt, STOP and LIST are the RF; the output makes (RF - offset) / multiplier.
      {"FREQ:MULT 2;OFFS 144 MHZ;:FREQ 10368 MHZ", "FREQ:MULT?;OFFS?;:FREQ?;:FREQ:MULT 1;:FREQ?",
       "2;144000000.000;10368000000.000;5256000000.000", kNone},
      {"FREQ:OFFS -28 MHZ", "FREQ? MIN;:LIST:FREQ 1296 MHZ;FREQ?;:FREQ:OFFS 0;:LIST:FREQ?",
       "-4500000.000;1296000000.000;1324000000.000", kNone},
      {"FREQ:MULT 2", "FREQ:STAR 2 GHZ;STAR?;:FREQ:MULT 1;:FREQ:STAR?;MULT? MAX", "2000000000.000;1000000000.000;64",
       kNone},
      {"FREQ:MULT 4;OFFS 1 MHZ", "*RST;FREQ:MULT?;OFFS?", "1;0.000", kNone},
      {"FREQ:MULT 3", "FREQ:MULT 65;MULT 0;MULT 2.4;MULT?;OFFS 2E12;OFFS?", "2;0.000",
       "-222,\"Data out of range\",-222,\"Data out of range\",-222,\"Data out of range\""},
  };
  for (const auto& c : cases) {
    DemoInstrument demo;
    if (!c.setup.empty()) demo.Run(c.setup);
    EXPECT_EQ(demo.Run(c.query), c.reply) << c.setup << " | " << c.query;
    EXPECT_EQ(demo.Run("SYST:ERR:ALL?"), c.errors) << c.setup << " | " << c.query;
  }
}

// What scripts written for bench generators send: presets, centre and span, steps, spacing, lists
// with per-point dwell and power, continuous sweeps and triggers, and what each refuses.
TEST(ScpiInstrument, BenchGeneratorCommands) {
  const std::string powerOnHz = DemoInstrument().Run("FREQ?");
  const std::string rangeError = "-222,\"Data out of range\"";
  const std::string triggerError = "-211,\"Trigger ignored\"";
  const struct {
    std::string setup;
    std::string query;
    std::string reply;
    std::string errors;
  } cases[] = {
      // FREQ? reads back what was set; FREQ:ACT? is what the chip makes of it.
      {"FREQ 1296.0001 MHZ", "FREQ?;:FREQ:ACT?", "1296000100.000;1296000122.190", kNone},
      {"FREQ 1 GHZ;:OUTP ON", "SYST:PRES;:FREQ?;:OUTP?", powerOnHz + ";0", kNone},
      {"", "OUTP:MOD OFF;MOD?;:OUTP:MOD:STAT ON;:OUTP1:MOD 0", "0", "-221,\"Settings conflict\""},
      // Steps.
      {"FREQ 1 GHZ;:FREQ:STEP 10 MHZ", "FREQ UP;FREQ?;FREQ DOWN;FREQ DOWN;FREQ?;:FREQ:STEP:INCR?",
       "1010000000.000;990000000.000;10000000.000", kNone},
      {"FREQ MAX", "FREQ UP;FREQ?;:FREQ:STEP 0;STEP?;STEP? MIN", "12000000000.000;1000000.000;0.001",
       rangeError + "," + rangeError},
      {"", "FREQ? UP", "-", "-224,\"Illegal parameter value\""},
      // Centre and span; a centre near the end shrinks the span to what fits.
      {"", "FREQ:CENT 1 GHZ;SPAN 200 MHZ;STAR?;STOP?;CENT?;SPAN?",
       "900000000.000;1100000000.000;1000000000.000;200000000.000", kNone},
      {"FREQ:CENT 1 GHZ;SPAN 200 MHZ", "FREQ:CENT 11.95 GHZ;STAR?;STOP?", "11900000000.000;12000000000.000", kNone},
      {"FREQ:CENT 1 GHZ;SPAN 200 MHZ", "FREQ:SPAN 3 GHZ;CENT 20 GHZ;STAR?;SPAN?", "900000000.000;200000000.000",
       rangeError + "," + rangeError},
      {"", "SWE:SPAC LOG;SPAC?;SPAC LIN;SPAC?;SPAC QUAD", "LOG;LIN", "-224,\"Illegal parameter value\""},
      // The sweep's duration: each point's dwell and its slot set and reply on the line (59 bytes).
      {"FREQ:STAR 1 GHZ;STOP 2 GHZ;:SWE:POIN 11;DWEL 0.1", "SWE:TIME?", "2.452", kNone},
      {"LIST:FREQ 1GHZ,2GHZ;DWEL 0.5,1.5;:FREQ:MODE LIST", "SWE:TIME?", "2.246", kNone},
      // Lists of dwells and powers: one value for every point, or one per point.
      {"LIST:FREQ 1GHZ,2GHZ,3GHZ", "LIST:DWEL 0.1,0.2,0.3;DWEL?;POW 1,2,3;POW?;POW MIN;POW?", "0.1,0.2,0.3;1,2,3;-4",
       kNone},
      {"LIST:FREQ 1GHZ,2GHZ,3GHZ;DWEL 0.1,0.2;:FREQ:MODE LIST", "INIT;:STAT:OPER:COND?", "0",
       "-226,\"Lists not same length\""},
      {"LIST:FREQ 1GHZ,2GHZ;POW 1,2,3;:FREQ:MODE LIST", "INIT;:STAT:OPER:COND?", "0", "-226,\"Lists not same length\""},
      {"LIST:FREQ 1GHZ,7GHZ;POW 5;:FREQ:MODE LIST", "INIT;:STAT:OPER:COND?", "0", rangeError},
      // One bad point refuses the whole list.
      {"LIST:FREQ 1GHZ,2GHZ", "LIST:FREQ 3GHZ,NAN,4GHZ;FREQ 3GHZ,99GHZ;FREQ 5GHZ,1e400;FREQ?",
       "1000000000.000,2000000000.000",
       "-224,\"Illegal parameter value\",-222,\"Data out of range\",-222,\"Data out of range\""},
      // Stepped by *TRG under TRIG:SOUR BUS, each point at its own power; FREQ? stays the CW one.
      {"FREQ 1.5 GHZ;:LIST:FREQ 1GHZ,2GHZ,3GHZ;POW -4,2,5;:TRIG:SOUR BUS;:FREQ:MODE LIST;:INIT",
       "TRIG:SOUR?;*TRG;:FREQ:ACT?;:POW?;*TRG;:FREQ:ACT?;:POW?;:FREQ?;:TRIG;:STAT:OPER:COND?;*TRG",
       "BUS;1000000000.000;-4;2000000000.000;2;1500000000.000;0", triggerError},
      {"", "*TRG;TRIG:IMM;TRIG:SEQ:IMM;TRIG:SOUR?", "IMM", triggerError + "," + triggerError + "," + triggerError},
      {"LIST:FREQ 1GHZ,2GHZ;:FREQ:MODE LIST;:TRIG:SOUR BUS", "INIT:CONT ON;CONT?;:STAT:OPER:COND?;:INIT", "1;8",
       "-213,\"Init ignored\""},
      {"", "INIT:CONT ON;CONT?;:STAT:OPER:COND?", "1;0", kNone},
  };
  for (const auto& c : cases) {
    DemoInstrument demo;
    if (!c.setup.empty()) demo.Run(c.setup);
    EXPECT_EQ(demo.Run(c.query), c.reply) << c.setup << " | " << c.query;
    EXPECT_EQ(demo.Run("SYST:ERR:ALL?"), c.errors) << c.setup << " | " << c.query;
  }
}

// INIT:CONT ON sweeps on past SWE:COUN; OFF lets the running pass end.
TEST(ScpiInstrument, ContinuousSweepEndsWithItsPass) {
  DemoInstrument demo;
  demo.Run("LIST:FREQ 1GHZ,2GHZ,3GHZ;:FREQ:MODE LIST;:INIT:CONT ON");
  for (int i = 0; i < 7; ++i) demo.instrument->RunSweepPoint();
  EXPECT_TRUE(demo.instrument->Sweeping());
  EXPECT_EQ(demo.Run("INIT:CONT OFF;:FREQ:ACT?"), "1000000000.000");
  demo.instrument->RunSweepPoint();
  EXPECT_TRUE(demo.instrument->Sweeping());
  demo.instrument->RunSweepPoint();
  EXPECT_FALSE(demo.instrument->Sweeping());
  EXPECT_EQ(demo.Run("FREQ:ACT?;:SYST:ERR:COUN?"), "3000000000.000;0");
}

// Conditions belong to the instrument; events, enables and errors to each client.
TEST(ScpiInstrument, StatusIsKeptPerClient) {
  DemoInstrument demo;
  EXPECT_EQ(demo.Run("STAT:OPER:ENAB 8;*SRE 128;BOGUS", 1), "-");
  EXPECT_EQ(demo.Run("LIST:FREQ 1GHZ,2GHZ;:FREQ:MODE LIST;:INIT", 2), "-");
  // Both saw the sweep start; only client 1 asked to be told in its status byte.
  EXPECT_EQ(demo.Run("*STB?;:STAT:OPER:COND?", 1), std::to_string(4 + 128 + 64) + ";8");
  EXPECT_EQ(demo.Run("*STB?;:STAT:OPER?", 2), "0;8");
  EXPECT_EQ(demo.instrument->StatusByte(1, true), 4 + 16 + 128 + 64);
  EXPECT_EQ(demo.Run("ABOR;:STAT:OPER:COND?;:SYST:ERR:COUN?", 2), "0;0");
  EXPECT_EQ(demo.Run("STAT:OPER?;*CLS;*STB?", 1), "8;0");
}

// *WAI holds a client's line until the sweep ends; a device clear drops it.
TEST(ScpiInstrument, AClearedClientNoLongerWaits) {
  DemoInstrument demo;
  demo.Run("LIST:FREQ 1GHZ,2GHZ;:SWE:COUN INF;:FREQ:MODE LIST;:INIT", 2);
  EXPECT_FALSE(demo.instrument->Execute(1, "*WAI;*IDN?"));
  EXPECT_TRUE(demo.instrument->Waiting(1));
  demo.instrument->Abandon(1);
  EXPECT_FALSE(demo.instrument->Waiting(1));
  EXPECT_EQ(demo.Run("*OPC;*ESR?", 2), "0");
  EXPECT_EQ(demo.Run("ABOR;*OPC?", 2), "1");
}

}  // namespace
}  // namespace korvane::scpi
