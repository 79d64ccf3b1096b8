#include "platform/stop_signals.h"

#include <winsock2.h>
//
#include <windows.h>

#include <atomic>
#include <csignal>
#include <stdexcept>

namespace korvane::platform {

namespace {
// The numbers a POSIX shell would report, so that scripts see the same exit status on every
// system: Ctrl-C is SIGINT, Ctrl-Break SIGBREAK, a closed console or the end of the session SIGTERM.
constexpr int kInterrupt = 2;
constexpr int kBreak = 21;
constexpr int kTerminate = 15;
// After a console is closed the system ends the program once the handler returns, and at the
// latest after 5 s: the handler waits this long for the command to finish first.
constexpr DWORD kCloseGraceMs = 4500;
}  // namespace

struct StopSignals::State {
  std::atomic<int> signal{0};
  // A connected pair of loopback sockets: a byte sent into `wake` makes `watch` readable,
  // which an event loop can wait for (its socket notifier takes sockets only).
  SOCKET watch = INVALID_SOCKET;
  SOCKET wake = INVALID_SOCKET;
  HANDLE finished = nullptr;
};

namespace {

std::atomic<StopSignals::State*> installed{nullptr};

BOOL WINAPI OnControl(DWORD event) {
  StopSignals::State* state = installed.load();
  if (!state) return FALSE;
  int number = kTerminate;
  if (event == CTRL_C_EVENT) number = kInterrupt;
  if (event == CTRL_BREAK_EVENT) number = kBreak;
  int none = 0;
  state->signal.compare_exchange_strong(none, number);
  const char byte = 1;
  ::send(state->wake, &byte, 1, 0);
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    ::WaitForSingleObject(state->finished, kCloseGraceMs);
  }
  return TRUE;
}

// Two connected loopback sockets, as socketpair() makes them elsewhere; false when the system
// refuses one of the steps.
bool MakeSocketPair(SOCKET* watch, SOCKET* wake) {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  const SOCKET listener = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (listener == INVALID_SOCKET) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  bool ok = ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0 && ::listen(listener, 1) == 0;
  if (ok) {
    *wake = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    ok = *wake != INVALID_SOCKET && ::connect(*wake, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  if (ok) {
    *watch = ::accept(listener, nullptr, nullptr);
    ok = *watch != INVALID_SOCKET;
  }
  ::closesocket(listener);
  if (ok) {
    u_long nonBlocking = 1;
    ::ioctlsocket(*wake, FIONBIO, &nonBlocking);
    return true;
  }
  if (*wake != INVALID_SOCKET) ::closesocket(*wake);
  *wake = INVALID_SOCKET;
  return false;
}

}  // namespace

StopSignals::StopSignals() : state_(std::make_unique<State>()) {
  if (!MakeSocketPair(&state_->watch, &state_->wake)) throw std::runtime_error("cannot create the wake-up sockets");
  state_->finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  State* none = nullptr;
  if (!state_->finished || !installed.compare_exchange_strong(none, state_.get())) {
    ::closesocket(state_->watch);
    ::closesocket(state_->wake);
    if (state_->finished) ::CloseHandle(state_->finished);
    ::WSACleanup();
    throw std::runtime_error("the stop signals are taken already");
  }
  ::SetConsoleCtrlHandler(OnControl, TRUE);
}

StopSignals::~StopSignals() {
  ::SetConsoleCtrlHandler(OnControl, FALSE);
  installed.store(nullptr);
  // A handler still waiting for the end of a closed console may go on: the program is done.
  ::SetEvent(state_->finished);
  ::closesocket(state_->watch);
  ::closesocket(state_->wake);
  ::WSACleanup();
  // The event is left to the system: a handler that was running may still look at it.
}

bool StopSignals::Requested() const { return state_->signal.load() != 0; }

int StopSignals::ExitStatus() const {
  const int number = state_->signal.load();
  return number == 0 ? 0 : 128 + number;
}

std::intptr_t StopSignals::WakeHandle() const { return static_cast<std::intptr_t>(state_->watch); }

}  // namespace korvane::platform
