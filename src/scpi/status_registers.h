// The status reporting of one client, as IEEE 488.2 and SCPI lay it out: the standard event
// status register, the OPERation and QUEStionable registers fed by the instrument's conditions,
// and the status byte that sums them up.
#pragma once

namespace korvane::scpi {

// Standard event status register bits.
inline constexpr int kOperationCompleteBit = 1;
inline constexpr int kQueryErrorBit = 4;
inline constexpr int kDeviceErrorBit = 8;
inline constexpr int kExecutionErrorBit = 16;
inline constexpr int kCommandErrorBit = 32;

// Status byte bits.
inline constexpr int kErrorQueueBit = 4;
inline constexpr int kQuestionableSummaryBit = 8;
inline constexpr int kMessageAvailableBit = 16;
inline constexpr int kEventSummaryBit = 32;
inline constexpr int kMasterSummaryBit = 64;
inline constexpr int kOperationSummaryBit = 128;

// Condition bits: the OPERation register's "sweeping" and the QUEStionable register's "frequency"
// (the synthesizer does not report lock).
inline constexpr int kSweepingBit = 8;
inline constexpr int kFrequencyBit = 32;

// SCPI registers are 16 bits wide with the top bit unused.
inline constexpr int kRegisterMask = 0x7FFF;

// The standard event bit an error number sets, by its hundreds.
int EventBitOf(int errorCode);

struct StatusRegisters {
  int esr = 0;  // standard event status register
  int ese = 0;  // its enable mask
  int sre = 0;  // service request enable mask (bit 6 is not kept)
  int operationEvent = 0;
  int operationEnable = 0;
  int questionableEvent = 0;
  int questionableEnable = 0;

  // The instrument's conditions changed from `was` to `now`: event registers latch the bits that
  // came on.
  void Transition(int operationWas, int operationNow, int questionableWas, int questionableNow);
  // *CLS: the event registers.
  void Clear();
  // STATus:PRESet: the OPERation and QUEStionable enable masks.
  void Preset();
  // The status byte, given whether errors are queued and a reply waits to be read.
  int StatusByte(bool errorsQueued, bool messageAvailable) const;
};

}  // namespace korvane::scpi
