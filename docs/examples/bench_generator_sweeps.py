#!/usr/bin/python3
"""A lab script in the style of a bench signal generator's programming example, run unchanged
against "korvane-cli serve": preset, a centre/span sweep, a sweep stepped point by point with
*TRG, a list with its own dwell and power per point, and the settings read back.

usage: bench_generator_sweeps.py RESOURCE   (TCPIP::127.0.0.1::INSTR, or TCPIP::HOST::PORT::SOCKET)
Prints what it read and exits 0 when every read-back matched what was set, else 1.
"""
import sys

import pyvisa


def main(resource):
    rm = pyvisa.ResourceManager("@py")
    gen = rm.open_resource(resource, read_termination="\n", write_termination="\n")
    gen.timeout = 20000
    failures = []

    def check(what, got, expected):
        print(f"{what}: {got}")
        if got != expected:
            failures.append(f"{what}: read {got!r}, expected {expected!r}")

    # Preset and identify.
    gen.write("*CLS")
    gen.write("SYST:PRES")
    print("instrument:", gen.query("*IDN?"))

    # A CW frequency reads back as it was set; the chip's own frequency has a query of its own.
    gen.write("FREQ 1296.0001 MHZ")
    gen.write("POW 2 DBM")
    gen.write("OUTP:MOD:STAT OFF")
    gen.write("OUTP:STAT ON")
    check("FREQ?", gen.query("FREQ?"), "1296000100.000")
    actual = float(gen.query("FREQ:ACT?"))
    check("FREQ:ACT? within 1 kHz", abs(actual - 1296000100.0) < 1000.0, True)
    gen.write("FREQ:STEP 100 KHZ")
    gen.write("FREQ UP")
    check("FREQ? after UP", gen.query("FREQ?"), "1296100100.000")

    # A sweep given by centre and span, waited for with *OPC?.
    gen.write("FREQ:CENT 1 GHZ")
    gen.write("FREQ:SPAN 100 MHZ")
    gen.write("SWE:SPAC LIN")
    gen.write("SWE:POIN 5")
    gen.write("SWE:DWEL 0.01")
    gen.write("SWE:COUN 1")
    gen.write("FREQ:MODE SWE")
    check("FREQ:STAR?;STOP?", gen.query("FREQ:STAR?;STOP?"), "950000000.000;1050000000.000")
    print("sweep time (s):", gen.query("SWE:TIME?"))
    gen.write("INIT")
    check("*OPC? after the sweep", gen.query("*OPC?"), "1")
    check("last point", abs(float(gen.query("FREQ:ACT?")) - 1.05e9) < 1000.0, True)

    # The same sweep stepped point by point: each *TRG tunes the next point.
    gen.write("TRIG:SOUR BUS")
    gen.write("INIT")
    for point in range(5):
        gen.write("*TRG")
        hz = float(gen.query("FREQ:ACT?"))
        check(f"triggered point {point}", abs(hz - (950e6 + 25e6 * point)) < 1000.0, True)
    check("*OPC? after the last trigger", gen.query("*OPC?"), "1")
    gen.write("TRIG:SOUR IMM")

    # A list with its own dwell and power at each point.
    gen.write("LIST:FREQ 144 MHZ,432 MHZ,1296 MHZ")
    gen.write("LIST:DWEL 0.05,0.1,0.05")
    gen.write("LIST:POW -4,2,5")
    gen.write("FREQ:MODE LIST")
    gen.write("INIT")
    check("*OPC? after the list", gen.query("*OPC?"), "1")
    check("LIST:FREQ?", gen.query("LIST:FREQ?"), "144000000.000,432000000.000,1296000000.000")
    check("LIST:DWEL?", gen.query("LIST:DWEL?"), "0.05,0.1,0.05")
    check("LIST:POW?", gen.query("LIST:POW?"), "-4,2,5")
    check("POW? at the last point", gen.query("POW?"), "5")

    # Back to CW: the frequency set before the sweeps.
    gen.write("FREQ:MODE CW")
    check("FREQ? in CW", gen.query("FREQ?"), "1296100100.000")
    check("SYST:ERR?", gen.query("SYST:ERR?"), '0,"No error"')
    gen.write("OUTP OFF")
    gen.close()
    for failure in failures:
        print("MISMATCH", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
