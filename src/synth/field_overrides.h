// Expert settings: field values a slot sends instead of Korvane's own, checked before they go out.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "synth/chip.h"
#include "synth/chip_facts.h"

namespace korvane {

// One slot's overrides: a value for each field that is not Korvane's. Only fields whose rule is not
// Computed belong here; an empty set sends exactly what Korvane computes.
using FieldOverrides = std::map<Field, uint32_t>;

using RegisterWords = std::array<uint32_t, 6>;

// A field's value in the words, and the words with the field set to the value's low bits.
uint32_t ReadField(const RegisterField& field, const RegisterWords& words);
void WriteField(const RegisterField& field, uint32_t value, RegisterWords& words);

// The chip's field of that name, without regard to case and with "_" standing for a blank
// ("charge_pump_current"); nullptr when the chip has none.
const RegisterField* FindField(ChipType chip, std::string_view name);
// The data sheet's name of a value of the field; empty when it has none.
std::string_view ValueName(const RegisterField& field, uint32_t value);
// A value as typed: a decimal or 0x-hexadecimal number, or one of the field's value names
// (without regard to case); nullopt for anything else. The range is not checked here.
std::optional<uint32_t> ReadFieldValue(const RegisterField& field, std::string_view text);
// What Korvane sends in the field: "6 (digital lock detect)", "fPFD / 50 kHz", "computed".
std::string KorvaneValueText(const RegisterField& field);

// Why a value cannot go into a field, or why words cannot be the chip's: the facts of the rule
// broken, which the front ends put into words. Only the members a kind names are set.
struct FieldIssue {
  enum class Kind {
    NoSuchField,           // the chip has no such field
    Computed,              // `field` follows the frequency, power, output and reference
    NotAllowed,            // `value` is not one `field` takes
    BandSelectZero,        // the band-select clock divider is 0
    BandSelectModeHigh,    // with the faster band-select clock mode the divider `value` is above `wanted` (254)
    BandSelectTooFast,     // the band-select clock runs at `frequency` kHz (`pfd` / `value`) above `limit`
                           // kHz; `wanted` is the least divider (`field`: its low byte)
    PhaseNotBelowModulus,  // the phase `value` is not below the modulus `wanted`
    VasDelay,              // VAS_DLY `value` with VAS_TEMP `given`, where `wanted` goes with it
    PrescalerInt,          // INT `value` below the `wanted` least of the prescaler `given` (0: 4/5)
    PrescalerVco,          // the 4/5 prescaler runs the VCO at `frequency` MHz, above its `limit` MHz
    ForeignBits,           // register `reg` holds bits `value` that only the `other` chip uses
    OutOfBand,             // the words give `frequency` MHz, outside what the chip makes on `band`
  };
  Kind kind = Kind::NoSuchField;
  ChipType chip = ChipType::Adf4351;
  Field field = Field::Int;
  uint32_t value = 0;
  uint32_t wanted = 0;
  uint32_t given = 0;
  double frequency = 0.0;
  double limit = 0.0;
  double pfd = 0.0;
  ChipType other = ChipType::Adf4351;
  size_t reg = 0;
  Band band = Band::Out1;
  bool operator==(const FieldIssue&) const = default;
};

// A board value that gave way to Korvane's in a retuned slot: the field, both values, and the rule
// the board's value broke (none: the field follows the frequency and the reference).
struct FieldNote {
  ChipType chip = ChipType::Adf4351;
  Field field = Field::Int;
  uint32_t korvane = 0;
  uint32_t board = 0;
  std::optional<FieldIssue> rule = std::nullopt;
  bool operator==(const FieldNote&) const = default;
};

// Why this value cannot override the chip's field (a computed field, a value outside its range),
// or nullopt when it can.
std::optional<FieldIssue> CheckOverride(ChipType chip, Field field, uint32_t value);

// Writes every override into words Korvane computed.
void ApplyOverrides(ChipType chip, const FieldOverrides& overrides, RegisterWords& words);

// Why a slot's overrides cannot go out: a field that cannot be overridden or a value outside its
// range, or a combination the chip does not work with (the band-select clock faster than the chip
// takes at the comparison frequency `pfd` in MHz, a phase not below the modulus, the 4/5 prescaler
// above its VCO frequency). `words` are the slot's words with the overrides applied. nullopt:
// they can go out.
std::optional<FieldIssue> CheckOverrides(ChipType chip, const FieldOverrides& overrides, const RegisterWords& words,
                                         double pfd);

// The overrides that turn the words Korvane computes for a slot into the words a board stored:
// every field that is not computed and differs.
FieldOverrides DecodeOverrides(ChipType chip, const RegisterWords& stored, const RegisterWords& korvane);

// Where the value a slot sends in a field comes from.
enum class FieldSource { Korvane, Board, User };

// Whether Korvane gives the field a new value whenever the slot is retuned: the fields the
// frequency, output, power or reference decide, and those whose right value follows them (the
// ADF435x's prescaler and band-select clock divider, the ADF4351's band-select clock mode,
// antibacklash pulse width and charge cancelation, the MAX2871's band-select divider and
// lock-detect speed). A value the user set is kept all the same.
bool FollowsTuning(const RegisterField& field);

// The bits of each word that belong to no field of the chip, above the three address bits.
RegisterWords ReservedBits(ChipType chip);

// Why words a board stored for a slot cannot come from this chip (bits set where another chip has a
// field and this one none, or an output frequency outside the chip's band at the comparison
// frequency `pfd`); nullopt when they can.
std::optional<FieldIssue> ForeignWordsNote(ChipType chip, const RegisterWords& words, double pfd, bool secondOutput);

// What one slot sends, and why.
struct SlotPlan {
  RegisterWords words{};
  // The fields sent with another value than Korvane's, and who gave it.
  std::map<Field, FieldSource> sources;
  // The board values that gave way to Korvane's, and why.
  std::vector<FieldNote> notes;
  // A value the user set breaks a rule of the chip: nothing may go out, for this reason.
  std::optional<FieldIssue> refusal;
};

// The words of a slot from Korvane's words for its settings, the words a board held for it (null
// when none) and the values the user set. An untouched slot (its settings as they were read) sends
// the board's words as they are. A retuned one sends Korvane's words with the board's reserved bits
// and the board's values of the fields that do not follow the tuning, each only where it keeps the
// chip's rules (else Korvane's value goes out, with a note); the user's values come on top and
// are checked.
SlotPlan PlanSlot(ChipType chip, const RegisterWords& korvane, const RegisterWords* board, bool untouched,
                  const FieldOverrides& user, double pfd);

// "4/5" for a named value, else the number.
std::string FieldValueText(const RegisterField& field, uint32_t value);

}  // namespace korvane
