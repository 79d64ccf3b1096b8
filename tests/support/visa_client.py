#!/usr/bin/python3
"""A real VISA client for the tests: PyVISA with its pure-Python backend, driven line by line.

Each line on standard input is a request, its fields separated by tabs:
  open NAME RESOURCE      opens a session (LF written after each message, replies end at LF)
  timeout NAME MS         sets the session's time-out
  write NAME TEXT         writes TEXT as one message
  query NAME TEXT         writes TEXT and reads one reply
  read NAME               reads one reply
  raw NAME HEX            writes the bytes given in hexadecimal as they are, with no line end added
  close NAME              closes the session
Each request gets one line on standard output: "ok", "= REPLY", or "error KIND: MESSAGE".
"""
import sys

import pyvisa


def main():
    manager = pyvisa.ResourceManager("@py")
    sessions = {}
    print("ready pyvisa " + pyvisa.__version__, flush=True)
    for line in sys.stdin:
        fields = line.rstrip("\n").split("\t", 2)
        request, name = fields[0], fields[1] if len(fields) > 1 else ""
        argument = fields[2] if len(fields) > 2 else ""
        try:
            if request == "open":
                sessions[name] = manager.open_resource(
                    argument, read_termination="\n", write_termination="\n", timeout=10000)
                answer = "ok"
            elif request == "timeout":
                sessions[name].timeout = int(argument)
                answer = "ok"
            elif request == "write":
                sessions[name].write(argument)
                answer = "ok"
            elif request == "query":
                answer = "= " + sessions[name].query(argument)
            elif request == "read":
                answer = "= " + sessions[name].read()
            elif request == "raw":
                sessions[name].write_raw(bytes.fromhex(argument))
                answer = "ok"
            elif request == "close":
                sessions.pop(name).close()
                answer = "ok"
            else:
                answer = "error usage: unknown request " + request
        except Exception as e:  # every failure is the test's to judge
            answer = "error " + type(e).__name__ + ": " + str(e).replace("\n", " ")
        print(answer, flush=True)


if __name__ == "__main__":
    main()
