// Expert settings: field values a slot sends instead of Korvane's own, checked before they go out.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

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
// What the field takes: its value names, or minValue..maxValue with the unit.
std::string AllowedValuesText(const RegisterField& field);
// What Korvane sends in the field: "6 (digital lock detect)", "fPFD / 50 kHz", "computed".
std::string KorvaneValueText(const RegisterField& field);

// Why this value cannot override the chip's field ("... is computed from the frequency ..."), or
// nullopt when it can.
std::optional<std::string> CheckOverride(ChipType chip, Field field, uint32_t value);

// Writes every override into words Korvane computed.
void ApplyOverrides(ChipType chip, const FieldOverrides& overrides, RegisterWords& words);

// Why a slot's overrides cannot go out: a field that cannot be overridden or a value outside its
// range, or a combination the chip does not work with (the band-select clock faster than the chip
// takes at the comparison frequency `pfd` in MHz, a phase not below the modulus, the 4/5 prescaler
// above its VCO frequency). `words` are the slot's words with the overrides applied. nullopt:
// they can go out.
std::optional<std::string> CheckOverrides(ChipType chip, const FieldOverrides& overrides, const RegisterWords& words,
                                          double pfd);

// The overrides that turn the words Korvane computes for a slot into the words a board stored:
// every field that is not computed and differs.
FieldOverrides DecodeOverrides(ChipType chip, const RegisterWords& stored, const RegisterWords& korvane);

}  // namespace korvane
