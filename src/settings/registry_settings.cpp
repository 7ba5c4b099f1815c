#include "settings/registry_settings.h"

#include <cstdio>
#include <span>

namespace kelvo::settings {
namespace {

using platform::SettingsKey;
using platform::SettingsStore;

// One open key, closed when it goes.
class OpenKey {
 public:
  OpenKey(SettingsStore& store, SettingsKey key) : store_(store), key_(key) {}
  ~OpenKey() {
    if (key_ != platform::kNoKey) store_.Close(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;

  static OpenKey ForReading(SettingsStore& store, const OpenKey& parent, const char* path) {
    return {store, parent ? store.Open(parent.key_, path) : platform::kNoKey};
  }
  static OpenKey ForWriting(SettingsStore& store, const OpenKey& parent, const char* path) {
    return {store, parent ? store.Create(parent.key_, path) : platform::kNoKey};
  }
  static OpenKey Settings(SettingsStore& store, bool create) {
    SettingsKey root = store.CurrentUser();
    return {store,
            create ? store.Create(root, kSettingsKeyPath) : store.Open(root, kSettingsKeyPath)};
  }

  explicit operator bool() const { return key_ != platform::kNoKey; }
  bool Read(const char* name, std::int32_t* value) const { return store_.Read(key_, name, value); }
  void Write(const char* name, std::int32_t value) const { store_.Write(key_, name, value); }

 private:
  SettingsStore& store_;
  SettingsKey key_;
};

// One stored value and the record field it belongs to; fallback is the value
// a missing group gives.
template <typename Record, typename Field>
struct NamedValue {
  const char* name;
  Field Record::*field;
  std::int32_t fallback = 0;
};

template <typename Record, typename Field>
using ValueTable = std::span<const NamedValue<Record, Field>>;

// A missing value leaves its field as it was.
template <typename Record, typename Field>
void ReadValues(const OpenKey& key, ValueTable<Record, Field> table, Record& record) {
  for (const auto& value : table) {
    std::int32_t read = 0;
    if (key.Read(value.name, &read)) record.*value.field = read;
  }
}

template <typename Record, typename Field>
void WriteValues(const OpenKey& key, ValueTable<Record, Field> table, const Record& record) {
  for (const auto& value : table) key.Write(value.name, record.*value.field);
}

template <typename Record, typename Field>
void SetFallbacks(ValueTable<Record, Field> table, Record& record) {
  for (const auto& value : table) record.*value.field = value.fallback;
}

constexpr NamedValue<SizeEntry, std::int32_t> kSizeValues[] = {
    {"TH", &SizeEntry::totalWidth},  {"TV", &SizeEntry::totalHeight}, {"EH", &SizeEntry::width},
    {"EV", &SizeEntry::height},      {"EHS", &SizeEntry::startX},     {"EVS", &SizeEntry::startY},
    {"Buf", &SizeEntry::bufferCount}};

constexpr char kSizeName[] = "Size";
constexpr NamedValue<CaptureFormat, std::int32_t> kFormatValues[] = {
    {"Color", &CaptureFormat::colorMode, 2},
    {"SubSample", &CaptureFormat::subSample, 0},
    {"WaitTime", &CaptureFormat::waitTime, 10},
    {"Clock", &CaptureFormat::clock, 0}};

// "Global" and the four colour gains are read in a chain through one value,
// so a missing one takes the value read before it (0 for "Global").
constexpr int kChainedGainValues = 5;
constexpr NamedValue<SensorRecord, SharedWord> kGainValues[] = {
    {"Global", &SensorRecord::globalGain, 150},     {"ColorG1", &SensorRecord::colorGainG1, 0},
    {"ColorR", &SensorRecord::colorGainR, 0},       {"ColorB", &SensorRecord::colorGainB, 0},
    {"ColorG2", &SensorRecord::colorGainG2, 0},     {"Exposure", &SensorRecord::exposure, 2},
    {"V_Mirror", &SensorRecord::verticalMirror, 0}, {"AutoIris", &SensorRecord::autoIrisMode, 0}};

constexpr NamedValue<FilterBlock, SharedWord> kFilterValues[] = {
    {"Brightness", &FilterBlock::brightness, 0},
    {"Contrast", &FilterBlock::contrast, 0},
    {"Hue", &FilterBlock::hue, 0},
    {"Saturation", &FilterBlock::saturation, 0},
    {"Sharpness", &FilterBlock::sharpness, 0},
    {"R_Gain", &FilterBlock::colorGainRed, 100},
    {"G_Gain", &FilterBlock::colorGainGreen, 100},
    {"B_Gain", &FilterBlock::colorGainBlue, 100},
    {"Gamma", &FilterBlock::gamma, 100},
    {"BayerMode", &FilterBlock::bayerMode, 0}};

constexpr NamedValue<FilterBlock, SharedWord> kGrayValues[] = {
    {"GainR1", &FilterBlock::grayGainR, 128},    {"GainG1", &FilterBlock::grayGainG1, 128},
    {"GainG2", &FilterBlock::grayGainG2, 128},   {"GainB1", &FilterBlock::grayGainB, 128},
    {"OffsetR1", &FilterBlock::grayOffsetR, 0},  {"OffsetG1", &FilterBlock::grayOffsetG1, 0},
    {"OffsetG2", &FilterBlock::grayOffsetG2, 0}, {"OffsetB1", &FilterBlock::grayOffsetB, 0}};

struct SizeKeyName {
  char text[24];
};
SizeKeyName SizeKey(std::int32_t number) {
  SizeKeyName name{};
  std::snprintf(name.text, sizeof name.text, "Size_%02d", number);
  return name;
}

// The first run's capture format: the full sensor as Size_00 and the defaults.
int WriteFirstRun(SettingsStore& store) {
  OpenKey key = OpenKey::Settings(store, true);
  if (!key) return 0;
  {
    OpenKey size = OpenKey::ForWriting(store, key, SizeKey(0).text);
    if (!size) return 0;
    WriteValues<SizeEntry, std::int32_t>(size, kSizeValues, kFullSensorSize);
  }
  key.Write(kSizeName, 0);
  for (const auto& value : kFormatValues) key.Write(value.name, value.fallback);
  return 0;
}

template <typename Record>
int LoadGroup(SettingsStore& store, const char* group, ValueTable<Record, SharedWord> table,
              Record* record, void (*readAll)(const OpenKey&, Record&)) {
  OpenKey key = OpenKey::Settings(store, false);
  OpenKey subkey = OpenKey::ForReading(store, key, group);
  if (!subkey) {
    SetFallbacks(table, *record);
    return 0;
  }
  readAll(subkey, *record);
  return 1;
}

template <typename Record>
int SaveGroup(SettingsStore& store, const char* group, ValueTable<Record, SharedWord> table,
              const Record* record) {
  if (record == nullptr) return 0;
  OpenKey key = OpenKey::Settings(store, true);
  OpenKey subkey = OpenKey::ForWriting(store, key, group);
  if (!subkey) return 0;
  WriteValues(subkey, table, *record);
  return 1;
}

void ReadGainValues(const OpenKey& key, SensorRecord& record) {
  std::int32_t chained = 0;
  for (int i = 0; i < kChainedGainValues; ++i) {
    key.Read(kGainValues[i].name, &chained);
    record.*kGainValues[i].field = chained;
  }
  ReadValues<SensorRecord, SharedWord>(key, std::span(kGainValues).subspan(kChainedGainValues),
                                       record);
}

void ReadFilterValues(const OpenKey& key, FilterBlock& block) {
  ReadValues<FilterBlock, SharedWord>(key, kFilterValues, block);
}
void ReadGrayValues(const OpenKey& key, FilterBlock& block) {
  ReadValues<FilterBlock, SharedWord>(key, kGrayValues, block);
}

}  // namespace

int LoadSizeEntry(SettingsStore& store, SizeEntry& entry) {
  OpenKey key = OpenKey::Settings(store, false);
  if (!key) return WriteFirstRun(store);
  std::int32_t number = 0;
  if (!key.Read(kSizeName, &number)) return 0;
  OpenKey size = OpenKey::ForReading(store, key, SizeKey(number).text);
  if (!size) return 0;
  ReadValues<SizeEntry, std::int32_t>(size, kSizeValues, entry);
  return 1;
}

int LoadFormatValues(SettingsStore& store, CaptureFormat& format) {
  OpenKey key = OpenKey::Settings(store, false);
  if (!key) return 0;
  ReadValues<CaptureFormat, std::int32_t>(key, kFormatValues, format);
  return 1;
}

int LoadGainGroup(SettingsStore& store, SensorRecord* record) {
  if (record == nullptr) return 0;
  LoadGroup<SensorRecord>(store, "Gain", kGainValues, record, ReadGainValues);
  return 1;
}

int LoadFilterGroup(SettingsStore& store, FilterBlock* block) {
  if (block == nullptr) return 0;
  if (LoadGroup<FilterBlock>(store, "Filter", kFilterValues, block, ReadFilterValues)) return 1;
  // A first run starts with white balance off; the grey balance count is kept.
  block->whiteBalanceAuto = 0;
  block->AwbOnceA = 0;
  block->AwbOnceB = 0;
  return 0;
}

int LoadGrayGroup(SettingsStore& store, FilterBlock* block) {
  if (block == nullptr) return 0;
  return LoadGroup<FilterBlock>(store, "Gray", kGrayValues, block, ReadGrayValues);
}

int SaveGainGroup(SettingsStore& store, const SensorRecord* record) {
  return SaveGroup<SensorRecord>(store, "Gain", kGainValues, record);
}

int SaveFilterGroup(SettingsStore& store, const FilterBlock* block) {
  return SaveGroup<FilterBlock>(store, "Filter", kFilterValues, block);
}

int SaveGrayGroup(SettingsStore& store, const FilterBlock* block) {
  return SaveGroup<FilterBlock>(store, "Gray", kGrayValues, block);
}

int LoadFormatTable(SettingsStore& store, FormatTable& table) {
  OpenKey key = OpenKey::Settings(store, false);
  if (!key) return 0;
  int count = 0;
  while (count < kMostSizeEntries) {
    OpenKey size = OpenKey::ForReading(store, key, SizeKey(count).text);
    if (!size) break;
    ReadValues<SizeEntry, std::int32_t>(size, kSizeValues, table.rows[count]);
    ++count;
  }
  table.count = count;
  key.Read(kSizeName, &table.size);
  ReadValues<CaptureFormat, std::int32_t>(key, kFormatValues, table.format);
  return 1;
}

int SaveFormatTable(SettingsStore& store, const FormatTable& table) {
  OpenKey key = OpenKey::Settings(store, true);
  if (!key) return 0;
  int count =
      table.count < 0 ? 0 : (table.count > kMostSizeEntries ? kMostSizeEntries : table.count);
  for (int row = 0; row < count; ++row) {
    OpenKey size = OpenKey::ForWriting(store, key, SizeKey(row).text);
    if (!size) break;  // the rows stop here; the format values are still written
    WriteValues<SizeEntry, std::int32_t>(size, kSizeValues, table.rows[row]);
  }
  key.Write(kSizeName, table.size);
  WriteValues<CaptureFormat, std::int32_t>(key, kFormatValues, table.format);
  return 1;
}

}  // namespace kelvo::settings
