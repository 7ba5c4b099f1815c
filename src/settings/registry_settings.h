// The camera's settings kept between runs under the current user's
// Software\Nuvrel\KelvoQ12Sdk: the capture format, the sizes Size_00 to
// Size_99, and the Gain, Filter and Gray groups. No operation records an
// error: a missing key, subkey or value leaves defaults or what was there.
#pragma once

#include "platform/settings_store.h"
#include "records/settings_records.h"

namespace kelvo::settings {

inline constexpr char kSettingsKeyPath[] = "Software\\Nuvrel\\KelvoQ12Sdk";

// The size preset named by "Size" into entry: 1 when read. On the first run
// (no key yet) writes the default Size_00 and format values and returns 0.
int LoadSizeEntry(platform::SettingsStore& store, SizeEntry& entry);
// "Color", "SubSample", "WaitTime" and "Clock": 1 when the key could be opened.
int LoadFormatValues(platform::SettingsStore& store, CaptureFormat& format);

// Gain: 1 when read, and 1 after setting the defaults of a missing group.
// Filter, Gray: 1 when read, 0 after setting the defaults. Null records do nothing (0).
int LoadGainGroup(platform::SettingsStore& store, SensorRecord* record);
int LoadFilterGroup(platform::SettingsStore& store, FilterBlock* block);
int LoadGrayGroup(platform::SettingsStore& store, FilterBlock* block);
// 1 when written; 0 when the key or subkey cannot be created.
int SaveGainGroup(platform::SettingsStore& store, const SensorRecord* record);
int SaveFilterGroup(platform::SettingsStore& store, const FilterBlock* block);
int SaveGrayGroup(platform::SettingsStore& store, const FilterBlock* block);

// The camera format dialog's table: rows Size_00 upwards until the first
// missing one, then the format values. 0 when the key cannot be opened.
int LoadFormatTable(platform::SettingsStore& store, FormatTable& table);
// Writes the count rows and the format values; 0 when the key cannot be created.
int SaveFormatTable(platform::SettingsStore& store, const FormatTable& table);

}  // namespace kelvo::settings
