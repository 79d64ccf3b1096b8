// The texts a user reads about a board, one home for each: korvane-cli and the instrument server
// print them in English, the window shows them in the user's language (context "Texts" of the
// translation files; the English is the source text).
#pragma once

#include <QtGlobal>
#include <initializer_list>
#include <string>
#include <string_view>

#include "link/open_failure.h"
#include "config/settings_file.h"
#include "session/board_session.h"
#include "session/frequency_list.h"

namespace korvane::texts {

inline constexpr const char* kCouldNotFind = QT_TRANSLATE_NOOP("Texts", "Could not find Synth board!");
inline constexpr const char* kCommunicationError = QT_TRANSLATE_NOOP("Texts", "Communication eror!");
inline constexpr const char* kHwTooOld =
    QT_TRANSLATE_NOOP("Texts",
                      "Automatic PLL chip identification works only with HW version 3 or higher.\n"
                      "Please set the correct chip type manually and reconnect the board.");
inline constexpr const char* kFwTooOld =
    QT_TRANSLATE_NOOP("Texts",
                      "Automatic PLL chip identification works only with FW version 3.01 or higher.\n"
                      "Please update board firmware if you want to use automatic chip identification.\n"
                      "Or set the correct chip type manually and reconnect the board.");
// A connect that lost its board while a chip identification probe was on slot 4.
inline constexpr const char* kProbeMayRemain = QT_TRANSLATE_NOOP(
    "Texts",
    "The board may still be on a test setting from the chip identification (slot 4 at 6000 MHz, +5 dBm). "
    "Switch the board off and on (it starts from the settings saved in its flash) and connect again to "
    "clear it.");
// A firmware update cut off after the erase began (korvane-cli).
inline constexpr const char* kPartialImage = QT_TRANSLATE_NOOP(
    "Texts",
    "The board waits in its bootloader with a partial image; run `korvane-cli flash` (without --connected) "
    "to finish the update.");
inline constexpr const char* kConnectionLost = QT_TRANSLATE_NOOP("Texts", "Connection with device lost!");
inline constexpr const char* kNoBootloader = QT_TRANSLATE_NOOP("Texts", "Cannot connect to board bootloader!");
// The phases of a firmware update.
inline constexpr const char* kEntering = QT_TRANSLATE_NOOP("Texts", "Entering Bootloader...");
inline constexpr const char* kErasing = QT_TRANSLATE_NOOP("Texts", "Erasing Flash...");
inline constexpr const char* kFlashing = QT_TRANSLATE_NOOP("Texts", "Flashing Firmware...");

inline constexpr const char* kReconnect = QT_TRANSLATE_NOOP("Texts", "Please reconnect the board.");

// The text in the user's language: what the installed translator gives for it, the English as it
// is where there is none (korvane-cli installs none). %1, %2, ... are replaced by args in one pass,
// after the translation, so a translation may put them in another order.
std::string Tr(const char* english, std::initializer_list<std::string_view> args = {});

// What a save to flash memory tells the user.
std::string SaveMessage(const session::SaveResult& result);
// What a firmware update tells the user (without the reason a missing bootloader gives).
std::string FirmwareMessage(const session::FirmwareResult& result);
// "Firmware version 3.40.0012 from 20160915. \nS/N 0036 0041 ..." of a running firmware.
std::string FirmwareInfo(const link::BoardIdentity& identity);
// "Bootloader v3.40" of a bootloader's identity.
std::string BootloaderVersion(const link::BoardIdentity& identity);
// Why a list or a range gives no points: "line 3: 'abc' is not a frequency in MHz".
std::string ListProblemText(const session::ListProblem& problem);
// Why a port could not be opened, or what its open let pass (a warning): "/dev/ttyUSB0 is in use by
// another program."; empty for none.
std::string OpenFailureText(const link::OpenFailure& failure);
// What a field takes: its value names ("0 4/5, 1 8/9"), or its range with the unit ("0 to 4095").
std::string AllowedValuesText(const RegisterField& field);
// Why an expert setting is refused, or why a board's stored words were left aside.
std::string FieldIssueText(const FieldIssue& issue);
// Why a board value gave way to Korvane's: "\"PRESCALER\" is 8/9 instead of the board's 4/5: ...".
std::string FieldNoteText(const FieldNote& note);
// The same for one slot, after its name: "F3: ...".
std::string SlotIssueText(const session::SlotIssue& issue);
std::string SlotNoteText(const session::SlotNote& note);

// Why a configuration file was not saved.
std::string SaveFileErrorText(const config::SaveFileError& error);

// Why a file that holds no settings is refused.
std::string NotAConfiguration(const std::string& path);

}  // namespace korvane::texts
