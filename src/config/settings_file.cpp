#include "config/settings_file.h"

#include <array>
#include <string_view>

#include "base/text_encoding.h"
#include "config/plan_keys.h"
#include "config/slot_words.h"
#include "synth/chip_facts.h"
#include "synth/field_overrides.h"
#include "synth/number_text.h"
#include "synth/register_set.h"

namespace korvane::config {

namespace {

constexpr char kSigGen[] = "SigGen";
constexpr char kFreqs[] = "Freqs";
constexpr char kBeacon[] = "Beacon";

struct PresetKeys {
  const char* freqKey;
  const char* pwrKey;
  const char* bandKey;
  const char* frequency;
};
constexpr std::array<PresetKeys, 4> kPresets = {{
    {"Freq1", "Pwr1", "Band1", "1152.000"},
    {"Freq2", "Pwr2", "Band2", "1296.000"},
    {"Freq3", "Pwr3", "Band3", "404.000"},
    {"Freq4", "Pwr4", "Band4", "432.000"},
}};
constexpr PresetKeys kSigGenKeys{"Freq", "Pwr", "Band", kDefaultFrequencyText};

// A file keeps a slot's band as the band list's entry and its power as the entry in that output's
// power list.
constexpr int kDefaultPower = 4;  // "+5dBm"
constexpr int kDefaultBand = 0;   // "OUT1 <6GHz"

// Only white space: a file just created by hand or by a dialog, free to take the settings.
bool IsBlankText(std::string_view bytes) { return bytes.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// Lists are written as one digit from "0" to "4"; a list left without a selection (a hand-
// edited file can do that) is written as its first entry.
std::string IndexText(int selection) {
  static constexpr const char* kDigits[] = {"0", "1", "2", "3", "4"};
  return (selection >= 0 && selection <= 4) ? kDigits[selection] : kDigits[0];
}

std::string CheckText(bool checked) { return checked ? "1" : "0"; }

// Expert settings live in a section of their own, written only for a slot that has some, so that
// a file without any stays as older versions wrote it. Field names belong to one chip: the section
// says which, and a file made for another chip loads without them.
constexpr char kFields[] = "Fields";

// "CHARGE PUMP CURRENT=7;MUXOUT=3", in the chip's table order.
std::string OverridesText(ChipType chip, const FieldOverrides& overrides) {
  std::string text;
  for (const RegisterField& f : Facts(chip).fields) {
    auto it = overrides.find(f.field);
    if (it == overrides.end()) continue;
    if (!text.empty()) text += ";";
    text += std::string(f.name) + "=" + std::to_string(it->second);
  }
  return text;
}

// The entries of OverridesText the chip can take; a name it does not have, a computed field or a
// value that is no number is left out.
FieldOverrides ReadOverrides(ChipType chip, std::string_view text) {
  FieldOverrides overrides;
  while (!text.empty()) {
    const size_t end = text.find(';');
    const std::string_view entry = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const size_t eq = entry.find('=');
    if (eq == std::string_view::npos) continue;
    const RegisterField* f = FindField(chip, entry.substr(0, eq));
    if (!f || f->computed()) continue;
    if (std::optional<uint32_t> value = ReadFieldValue(*f, entry.substr(eq + 1))) overrides[f->field] = *value;
  }
  return overrides;
}

// A slot's board words (a readout's, or what is left of them after a retune) are kept whole
// under a key of their own, "F1Board=01033328 2000FFE8 ...", so that every bit of them comes back,
// the bits in no field included; a reader that knows only the field keys passes over them.
std::string BoardKey(Slot slot) { return std::string(SlotName(slot)) + "Board"; }

std::string WordsText(const RegisterWords& words) {
  std::string text;
  for (uint32_t word : words) text += (text.empty() ? "" : " ") + FormatHex(word, 8);
  return text;
}

std::optional<RegisterWords> ReadWords(const std::string& text) {
  const std::optional<RegisterSet> set = ReadRegisterSetText("0 " + text);
  if (!set) return std::nullopt;
  return set->words;
}

void StoreOverrides(const PanelSettings& settings, ProfileFile& profile) {
  std::array<std::optional<RegisterWords>, kSlotCount> board;
  bool any = false;
  for (Slot s : kAllSlots) {
    board[static_cast<size_t>(SlotNumber(s))] = BoardWordsToKeep(settings, s);
    any = any || !settings.slot(s).overrides.empty() || board[static_cast<size_t>(SlotNumber(s))];
  }
  if (any) profile.WriteString(kFields, "Chip", ChipName(settings.chip));
  for (Slot s : kAllSlots) {
    const FieldOverrides& overrides = settings.slot(s).overrides;
    const std::string key(SlotName(s));
    // A slot whose overrides were all reset clears what an earlier save wrote.
    if (!overrides.empty() || profile.Find(kFields, key)) {
      profile.WriteString(kFields, key, OverridesText(settings.chip, overrides));
    }
    const std::optional<RegisterWords>& words = board[static_cast<size_t>(SlotNumber(s))];
    if (words || profile.Find(kFields, BoardKey(s))) {
      profile.WriteString(kFields, BoardKey(s), words ? WordsText(*words) : std::string());
    }
  }
}

void LoadOverrides(const ProfileFile& profile, PanelSettings& settings) {
  const std::optional<std::string> chip = profile.Find(kFields, "Chip");
  const bool forThisChip = chip && ChipFromName(*chip) == settings.chip;
  for (Slot s : kAllSlots) {
    SlotSettings& slot = settings.slot(s);
    slot.overrides.clear();
    slot.board.reset();
    if (!forThisChip) continue;
    if (std::optional<std::string> text = profile.Find(kFields, std::string(SlotName(s)))) {
      slot.overrides = ReadOverrides(settings.chip, *text);
    }
    // Board words stay board values: they go back as they are while the slot is not touched.
    if (std::optional<std::string> text = profile.Find(kFields, BoardKey(s))) {
      if (std::optional<RegisterWords> words = ReadWords(*text)) {
        slot.board.emplace();
        slot.board->words = *words;
        MarkAsRead(settings, slot);
      }
    }
  }
}

void StoreSlot(ProfileFile& profile, const char* section, const PresetKeys& keys, const SlotSettings& slot,
               ChipType chip, bool withBands) {
  profile.WriteString(section, keys.freqKey, slot.frequency);
  profile.WriteString(section, keys.pwrKey, IndexText(PowerListIndex(chip, slot.band, slot.power)));
  if (withBands) profile.WriteString(section, keys.bandKey, IndexText(static_cast<int>(slot.band)));
}

SlotSettings LoadSlot(const ProfileFile& profile, const char* section, const PresetKeys& keys, ChipType chip) {
  SlotSettings slot;
  slot.frequency = profile.ReadString(section, keys.freqKey, keys.frequency);
  const int storedBand = profile.ReadInt(section, keys.bandKey, kDefaultBand);
  int index = profile.ReadInt(section, keys.pwrKey, kDefaultPower);
  // A band value the list does not have has always left the band list without a selection: the
  // slot was solved and sent on OUT1, and saved as band 0, while its power list was the second
  // output's and the entry chosen there went out as that entry of OUT1's list.
  slot.band = storedBand == 1 ? Band::Out2 : Band::Out1;
  const Band list = storedBand == 0 ? Band::Out1 : Band::Out2;
  // The second output's list takes any level above "Off" as its last one, "-1dBm", as when the
  // band list is changed by hand. A value the list does not have leaves it without a selection:
  // the output is off.
  const int entries = static_cast<int>(PowerLevels(chip, list).size());
  if (list != Band::Out1 && index >= entries) index = entries - 1;
  slot.power = PowerLevelAt(chip, slot.band, index).value_or(PowerLevel::Off);
  return slot;
}

}  // namespace

void StoreSettings(const PanelSettings& settings, bool withBands, ProfileFile& profile) {
  StoreSlot(profile, kSigGen, kSigGenKeys, settings.slot(Slot::SigGen), settings.chip, withBands);
  profile.WriteString(kFreqs, "Reference", settings.reference);
  profile.WriteString(kFreqs, "ExtReference", CheckText(settings.extReference));
  // A classic-mode save leaves a file as the classic program writes it; a key that a save in
  // exact mode wrote is set back to "0".
  if (settings.exact || profile.Find(kFreqs, "Exact")) profile.WriteString(kFreqs, "Exact", CheckText(settings.exact));
  for (size_t s = 0; s < kPresets.size(); ++s)
    StoreSlot(profile, kFreqs, kPresets[s], settings.freqSlots[s], settings.chip, withBands);
  profile.WriteString(kBeacon, "Beacon", CheckText(settings.beacon));
  profile.WriteString(kBeacon, "Scan", CheckText(settings.scan));
  profile.WriteString(kBeacon, "Pin1_2", CheckText(settings.pinFunction == PinFunction::CwKeying));
  profile.WriteString(kBeacon, "Speed", settings.speed);
  profile.WriteString(kBeacon, "Text", text::FoldLineBreaks(settings.text));
  StoreOverrides(settings, profile);
  StorePlans(settings, profile);
}

PanelSettings LoadSettings(const ProfileFile& profile, const PanelSettings& current) {
  PanelSettings settings = current;
  settings.slot(Slot::SigGen) = LoadSlot(profile, kSigGen, kSigGenKeys, settings.chip);
  settings.reference = profile.ReadString(kFreqs, "Reference", "10.000");
  AcceptReference(settings.reference, settings.chip, settings.refDivisor, settings.pfd);
  settings.extReference = profile.ReadString(kFreqs, "ExtReference", "0", 2) == "1";
  // Files from before the exact mode, and other programs' files, solve the classic way.
  settings.exact = profile.ReadString(kFreqs, "Exact", "0", 2) == "1";
  for (size_t s = 0; s < kPresets.size(); ++s) {
    settings.freqSlots[s] = LoadSlot(profile, kFreqs, kPresets[s], settings.chip);
  }
  settings.beacon = profile.ReadInt(kBeacon, "Beacon", 0) != 0;
  settings.scan = profile.ReadInt(kBeacon, "Scan", 0) != 0;
  // A value the list does not have left it without a selection, which a board got as "Freq. code".
  settings.pinFunction = profile.ReadInt(kBeacon, "Pin1_2", 0) == 1 ? PinFunction::CwKeying : PinFunction::FreqCode;
  settings.speed = profile.ReadString(kBeacon, "Speed", "20.0");
  settings.text = profile.ReadString(kBeacon, "Text", "TEST TEST #5000 &1000");
  LoadOverrides(profile, settings);
  LoadPlans(profile, settings);
  return settings;
}

bool HoldsSettings(const ProfileFile& profile) {
  for (const PresetKeys* keys : {&kSigGenKeys, &kPresets[0], &kPresets[1], &kPresets[2], &kPresets[3]}) {
    const char* section = keys == &kSigGenKeys ? kSigGen : kFreqs;
    for (const char* key : {keys->freqKey, keys->pwrKey, keys->bandKey}) {
      if (profile.Find(section, key)) return true;
    }
  }
  for (const char* key : {"Reference", "ExtReference", "Exact"}) {
    if (profile.Find(kFreqs, key)) return true;
  }
  for (const char* key : {"Beacon", "Scan", "Pin1_2", "Speed", "Text"}) {
    if (profile.Find(kBeacon, key)) return true;
  }
  return false;
}

bool SaveSettingsFile(const std::string& path, const PanelSettings& settings, bool withBands, SaveFileError* error,
                      FileWriter* writer) {
  bool notSettings = false;
  // Keys are set in the file as it stands, so whatever else it holds survives the save.
  const FileUpdate update = [&](const std::string& old, std::string* bytes, std::string* why) {
    // A file that holds something else (a firmware image, a picture, another program's INI
    // file, UTF-16 text whose keys this reader cannot see) would have INI text appended to it
    // and be damaged for its own program; only an empty file or a configuration is ours.
    ProfileFile profile = ProfileFile::Parse(old);
    if (!IsBlankText(old) && (old.find('\0') != std::string::npos || !HoldsSettings(profile))) {
      notSettings = true;
      *why = "it holds no Korvane settings";
      return false;
    }
    StoreSettings(settings, withBands, profile);
    *bytes = profile.Serialize();
    return true;
  };
  std::string system;
  if (UpdateFileAtomically(path, update, &system, writer)) return true;
  *error = {notSettings ? SaveFileError::Kind::NotSettings : SaveFileError::Kind::System, path,
            notSettings ? std::string() : system};
  return false;
}

}  // namespace korvane::config
