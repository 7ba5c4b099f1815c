// The Camera's settings records: the filter block and the sensor record.
// Processing reads them on every frame, the settings store loads and saves
// them, the dialogs edit them. Who writes: the application thread (exports,
// dialogs) and the worker (white balance, grey balance, automatic exposure);
// who reads: both. Every field is one 32-bit word, read and written whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/shared_word.h"

namespace kelvo {

// Filter parameters, grey-mode settings and white-balance switches, in the
// order the dialogs and the registry walk them.
struct FilterBlock {
  SharedWord brightness{0};
  SharedWord contrast{0};
  SharedWord hue{0};
  SharedWord saturation{0};
  SharedWord sharpness{0};
  SharedWord colorGainRed{0};
  SharedWord colorGainGreen{0};
  SharedWord colorGainBlue{0};
  SharedWord gamma{0};
  SharedWord bayerMode{0};
  SharedWord grayMode{0};
  SharedWord grayGainR{0};
  SharedWord grayGainG1{0};
  SharedWord grayGainG2{0};
  SharedWord grayGainB{0};
  SharedWord grayOffsetR{0};
  SharedWord grayOffsetG1{0};
  SharedWord grayOffsetG2{0};
  SharedWord grayOffsetB{0};
  SharedWord whiteBalanceAuto{0};
  SharedWord AwbOnceA{0};
  SharedWord AwbOnceB{0};
  SharedWord grayBalanceCount{0};
};

// The sensor settings (the analog block): gains in sensor units, exposure in lines.
struct SensorRecord {
  SharedWord globalGain{0};
  SharedWord colorGainG1{0};
  SharedWord colorGainR{0};
  SharedWord colorGainB{0};
  SharedWord colorGainG2{0};
  SharedWord exposure{0};
  SharedWord verticalMirror{0};
  SharedWord autoIrisMode{0};
};

// One stored capture size.
struct SizeEntry {
  std::int32_t totalWidth = 0;
  std::int32_t totalHeight = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t startX = 0;
  std::int32_t startY = 0;
  std::int32_t bufferCount = 10;

  bool operator==(const SizeEntry&) const = default;
};

inline constexpr SizeEntry kFullSensorSize = {1280, 960, 1280, 960, 0, 0, 10};

// The capture format values beside the sizes.
struct CaptureFormat {
  std::int32_t colorMode = 0;
  std::int32_t subSample = 0;
  std::int32_t waitTime = 10;
  std::int32_t clock = 0;

  bool operator==(const CaptureFormat&) const = default;
};

inline constexpr int kMostSizeEntries = 100;

// The camera format dialog's private copy of the stored sizes and format.
struct FormatTable {
  std::array<SizeEntry, kMostSizeEntries> rows{};
  std::int32_t count = 0;
  std::int32_t size = 0;  // the row in use
  CaptureFormat format;
};

// Each record's words in order, so that a record can be copied out whole and
// put back (a dialog's Cancel) without naming every field twice.
template <typename Record, std::size_t N>
using RecordWords = std::array<SharedWord Record::*, N>;

inline constexpr RecordWords<FilterBlock, 23> kFilterBlockWords = {
    &FilterBlock::brightness,     &FilterBlock::contrast,         &FilterBlock::hue,
    &FilterBlock::saturation,     &FilterBlock::sharpness,        &FilterBlock::colorGainRed,
    &FilterBlock::colorGainGreen, &FilterBlock::colorGainBlue,    &FilterBlock::gamma,
    &FilterBlock::bayerMode,      &FilterBlock::grayMode,         &FilterBlock::grayGainR,
    &FilterBlock::grayGainG1,     &FilterBlock::grayGainG2,       &FilterBlock::grayGainB,
    &FilterBlock::grayOffsetR,    &FilterBlock::grayOffsetG1,     &FilterBlock::grayOffsetG2,
    &FilterBlock::grayOffsetB,    &FilterBlock::whiteBalanceAuto, &FilterBlock::AwbOnceA,
    &FilterBlock::AwbOnceB,       &FilterBlock::grayBalanceCount};

inline constexpr RecordWords<SensorRecord, 8> kSensorRecordWords = {
    &SensorRecord::globalGain,     &SensorRecord::colorGainG1, &SensorRecord::colorGainR,
    &SensorRecord::colorGainB,     &SensorRecord::colorGainG2, &SensorRecord::exposure,
    &SensorRecord::verticalMirror, &SensorRecord::autoIrisMode};

// A plain copy of a record's words.
template <typename Record, std::size_t N>
struct RecordSnapshot {
  std::array<std::int32_t, N> values{};

  static RecordSnapshot Take(const Record& record, const RecordWords<Record, N>& words) {
    RecordSnapshot snapshot;
    for (std::size_t i = 0; i < N; ++i) snapshot.values[i] = (record.*words[i]).load();
    return snapshot;
  }
  void RestoreInto(Record& record, const RecordWords<Record, N>& words) const {
    for (std::size_t i = 0; i < N; ++i) (record.*words[i]).store(values[i]);
  }
};

using FilterSnapshot = RecordSnapshot<FilterBlock, kFilterBlockWords.size()>;
using SensorSnapshot = RecordSnapshot<SensorRecord, kSensorRecordWords.size()>;

inline FilterSnapshot Snapshot(const FilterBlock& block) {
  return FilterSnapshot::Take(block, kFilterBlockWords);
}
inline SensorSnapshot Snapshot(const SensorRecord& record) {
  return SensorSnapshot::Take(record, kSensorRecordWords);
}
inline void Restore(FilterBlock& block, const FilterSnapshot& snapshot) {
  snapshot.RestoreInto(block, kFilterBlockWords);
}
inline void Restore(SensorRecord& record, const SensorSnapshot& snapshot) {
  snapshot.RestoreInto(record, kSensorRecordWords);
}

}  // namespace kelvo
