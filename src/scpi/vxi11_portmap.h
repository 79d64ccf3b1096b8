// The system's portmapper (rpcbind on 127.0.0.1:111), through which VISA finds the VXI-11 port.
#pragma once

#include <cstdint>
#include <optional>

namespace korvane::scpi {

enum class PortmapResult {
  Ok,
  NoPortmapper,  // nothing answered on 127.0.0.1:111
  Refused,       // the portmapper answered but did not take the registration
  InUse,         // another server that still answers holds the registration
};

// Registers the VXI-11 core channel on a TCP port. An earlier registration is replaced only when
// nothing answers on its port any more (a server that ended without removing its own); *holder
// is set to the port of one that still answers (InUse).
PortmapResult RegisterVxi11(uint16_t port, uint16_t* holder = nullptr);
// Removes the registration when it still names this port (another server may have taken over).
void UnregisterVxi11(uint16_t port);
// The TCP port registered for the VXI-11 core channel; nullopt when the portmapper does not answer.
std::optional<uint16_t> Vxi11PortmapPort();

}  // namespace korvane::scpi
