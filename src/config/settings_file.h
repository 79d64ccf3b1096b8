// The panel's settings in a configuration file (".kvini"): which key holds what.
#pragma once

#include <string>

#include "config/panel_settings.h"
#include "config/profile_file.h"

namespace korvane::config {

// Sets every key of the settings in the profile; band keys only for boards with a second
// output (withBands). Every other line of the profile stays.
void StoreSettings(const PanelSettings& settings, bool withBands, ProfileFile& profile);

// The settings a profile describes; keys it lacks take the defaults of a new file. Fields
// a file does not hold (chip, derived reference values) are taken from `current`.
PanelSettings LoadSettings(const ProfileFile& profile, const PanelSettings& current);

// Whether a profile holds any key of the panel's settings: a file without one (an image, an
// empty or unrelated file) is no configuration at all.
bool HoldsSettings(const ProfileFile& profile);

// Why a configuration file was not saved.
struct SaveFileError {
  enum class Kind {
    System,       // the file could not be read or written: `system` names the file and the reason
    NotSettings,  // the file holds something other than Korvane settings and was left as it is
  };
  Kind kind = Kind::System;
  std::string path;
  std::string system;
};

// Loads the file at path (a missing file is an empty profile), stores the settings and saves
// it back (through the writer, when one is given); false with *error when the file cannot be
// read or written, or when it holds something other than Korvane settings (left untouched).
bool SaveSettingsFile(const std::string& path, const PanelSettings& settings, bool withBands, SaveFileError* error,
                      FileWriter* writer = nullptr);

}  // namespace korvane::config
