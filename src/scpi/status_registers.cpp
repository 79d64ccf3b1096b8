#include "scpi/status_registers.h"

namespace korvane::scpi {

int EventBitOf(int errorCode) {
  if (errorCode <= -100 && errorCode > -200) return kCommandErrorBit;
  if (errorCode <= -200 && errorCode > -300) return kExecutionErrorBit;
  if (errorCode <= -300 && errorCode > -400) return kDeviceErrorBit;
  if (errorCode <= -400 && errorCode > -500) return kQueryErrorBit;
  return 0;
}

void StatusRegisters::Transition(int operationWas, int operationNow, int questionableWas, int questionableNow) {
  operationEvent |= operationNow & ~operationWas & kRegisterMask;
  questionableEvent |= questionableNow & ~questionableWas & kRegisterMask;
}

void StatusRegisters::Clear() {
  esr = 0;
  operationEvent = 0;
  questionableEvent = 0;
}

void StatusRegisters::Preset() {
  operationEnable = 0;
  questionableEnable = 0;
}

int StatusRegisters::StatusByte(bool errorsQueued, bool messageAvailable) const {
  int stb = 0;
  if (errorsQueued) stb |= kErrorQueueBit;
  if (questionableEvent & questionableEnable) stb |= kQuestionableSummaryBit;
  if (messageAvailable) stb |= kMessageAvailableBit;
  if (esr & ese) stb |= kEventSummaryBit;
  if (operationEvent & operationEnable) stb |= kOperationSummaryBit;
  if (stb & sre) stb |= kMasterSummaryBit;
  return stb;
}

}  // namespace korvane::scpi
