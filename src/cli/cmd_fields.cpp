// korvane-cli fields: every register field of a chip, its values and what Korvane sends in it.
#include <iostream>

#include "cli/cli_board.h"
#include "cli/command.h"
#include "cli/json.h"
#include "synth/chip.h"
#include "synth/chip_facts.h"
#include "synth/field_overrides.h"
#include "texts/texts.h"

namespace korvane::cli {
namespace {

std::string BitsText(const RegisterField& f) {
  const int high = f.lowBit + f.width - 1;
  return "R" + std::to_string(f.reg) + " " +
         (f.width == 1 ? std::to_string(f.lowBit) : std::to_string(high) + ":" + std::to_string(f.lowBit));
}

std::string Json(const ChipFacts& facts) {
  std::string rows = "[";
  for (const RegisterField& f : facts.fields) {
    JsonObject o;
    o.Add("name", f.name)
        .Add("title", f.title)
        .Add("register", f.reg)
        .Add("low_bit", f.lowBit)
        .Add("width", f.width)
        .Add("computed", f.computed());
    if (f.rule == FieldRule::Fixed) {
      o.Add("korvane_value", static_cast<int64_t>(f.korvaneValue));
    } else {
      o.AddRaw("korvane_value", "null");
    }
    o.Add("korvane", KorvaneValueText(f));
    if (f.values.empty()) {
      o.Add("min", static_cast<int64_t>(f.minValue)).Add("max", static_cast<int64_t>(f.maxValue));
      if (!f.unit.empty()) o.Add("unit", f.unit);
    } else {
      std::string values = "[";
      for (const FieldValue& v : f.values) {
        if (values.size() > 1) values += ",";
        values += JsonObject().Add("value", static_cast<int64_t>(v.value)).Add("name", v.name).str();
      }
      o.AddRaw("values", values + "]");
    }
    if (rows.size() > 1) rows += ",";
    rows += o.str();
  }
  return JsonObject().Add("chip", facts.name).AddRaw("fields", rows + "]").str();
}

void Text(const ChipFacts& facts) {
  std::cout << facts.name << ": every field of R0..R5 (computed: set from frequency, power, output and reference)\n";
  for (const RegisterField& f : facts.fields) {
    std::string head = BitsText(f);
    head.resize(10, ' ');
    std::string name(f.name);
    name.resize(std::max<size_t>(name.size() + 2, 28), ' ');
    std::cout << head << name << f.title << "\n";
    std::cout << std::string(38, ' ') << "Korvane: " << KorvaneValueText(f);
    if (!f.computed()) std::cout << "; takes " << texts::AllowedValuesText(f);
    std::cout << "\n";
  }
}

int Run(const Args& args) {
  const std::optional<ChipType> chip = ChipTypeOption(args, std::nullopt);
  if (args.Has("json")) {
    std::cout << Json(Facts(*chip)) << "\n";
  } else {
    Text(Facts(*chip));
  }
  return kExitOk;
}

}  // namespace

const Command kFieldsCommand{"fields",
                             "--chip adf4350|adf4351|max2871 [--json]",
                             "Lists every register field of the chip: where it lies, the values it takes with "
                             "their names, what Korvane sends in it, and whether --field may set it.",
                             {{"chip", "CHIP", "adf4350, adf4351 or max2871"}, {"json", "", "print one JSON object"}},
                             0,
                             0,
                             Run};

}  // namespace korvane::cli
