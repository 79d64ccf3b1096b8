#include "platform/devices.h"

#include <windows.h>
//
// The device class GUIDs are defined here rather than taken from a library.
#include <initguid.h>
//
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <cwchar>

#include "platform/device_names.h"
#include "platform/windows/system_text.h"

namespace korvane::platform {

namespace {

std::wstring RegistryText(HKEY key, const wchar_t* name) {
  wchar_t value[256] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return value;
}

std::wstring DeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t value[256] = {};
  if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr, reinterpret_cast<BYTE*>(value),
                                           sizeof value - sizeof(wchar_t), nullptr)) {
    return {};
  }
  return value;
}

// The ports class of the device manager: the COM ports with their maker and product.
void AddPortsClass(std::vector<SerialDevice>& devices) {
  const HDEVINFO set = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    const HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    const std::string name = windows::Utf8(RegistryText(key, L"PortName"));
    ::RegCloseKey(key);
    if (!IsComPortName(name)) continue;
    std::string description = windows::Utf8(DeviceProperty(set, device, SPDRP_MFG));
    const std::string product = windows::Utf8(DeviceProperty(set, device, SPDRP_DEVICEDESC));
    if (!product.empty()) description += (description.empty() ? "" : " ") + product;
    devices.push_back({name, description});
  }
  ::SetupDiDestroyDeviceInfoList(set);
}

// The serial ports the system's drivers registered, whatever class they are in.
void AddSerialCommMap(std::vector<SerialDevice>& devices) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return;
  }
  for (DWORD i = 0;; ++i) {
    wchar_t valueName[256];
    DWORD nameLength = 256;
    wchar_t data[256] = {};
    DWORD dataSize = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result =
        ::RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    const std::string name = windows::Utf8(data);
    if (IsComPortName(name)) devices.push_back({name, ""});
  }
  ::RegCloseKey(key);
}

// The COM names the system's device name space holds (Wine's mapped serial ports among them).
void AddDosDevices(std::vector<SerialDevice>& devices) {
  std::vector<wchar_t> names(65536);
  DWORD length = ::QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
  if (length == 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    names.resize(1 << 20);
    length = ::QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
  }
  for (const wchar_t* p = names.data(); p < names.data() + length && *p; p += std::wcslen(p) + 1) {
    const std::string name = windows::Utf8(p);
    if (IsComPortName(name) && ComDevicePath(name) != name) devices.push_back({name, ""});
  }
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

DeviceFileFacts InspectDeviceFile(const std::string& path) {
  DeviceFileFacts facts;
  std::string name = path;
  if (name.rfind("\\\\.\\", 0) == 0) name = name.substr(4);
  if (IsComPortName(name) && ComDevicePath(name) != name) {
    wchar_t target[1024];
    facts.kind = ::QueryDosDeviceW(windows::Wide(name).c_str(), target, 1024) != 0 ? DeviceFileKind::CharDevice
                                                                                   : DeviceFileKind::Missing;
    return facts;
  }
  const DWORD attributes = ::GetFileAttributesW(windows::Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    facts.kind = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? DeviceFileKind::Missing
                                                                                  : DeviceFileKind::Unknown;
  } else {
    facts.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? DeviceFileKind::Directory : DeviceFileKind::RegularFile;
  }
  return facts;
}

std::vector<SerialDevice> ListSerialDevices() {
  std::vector<SerialDevice> found;
  AddPortsClass(found);
  AddSerialCommMap(found);
  AddDosDevices(found);
  // Each port once, with the first source's description: the device manager's is the richest.
  std::vector<SerialDevice> devices;
  for (SerialDevice& device : found) {
    const bool seen = std::any_of(devices.begin(), devices.end(),
                                  [&device](const SerialDevice& d) { return SameName(d.name, device.name); });
    if (!seen) devices.push_back(std::move(device));
  }
  return devices;
}

std::string SerialDevicePath(const std::string& name) { return ComDevicePath(name); }

bool MayBeSerialDevice(const std::string& name) {
  if (name.empty()) return false;
  if (IsComPortName(name)) return true;
  return ::GetFileAttributesW(windows::Wide(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The system keeps who may open a port in its security descriptor; an open that is refused
// says so itself, so nothing is decided beforehand.
bool MayReadAndWrite(const std::string&) { return true; }

// A console shows the progress line's escape sequences once asked to; one that cannot (before
// Windows 10) gets the plain lines a file gets.
bool StandardErrorIsTerminal() {
  const HANDLE console = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (!::GetConsoleMode(console, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
         ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace korvane::platform
