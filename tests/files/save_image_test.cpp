#include "files/save_image.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>

#include "files/test_pictures.h"

namespace kelvo::testing {
namespace {

constexpr int kEveryFormat[] = {kSaveBmp,    kSaveRaw, kSaveJpeg100, kSaveJpeg70,
                                kSaveJpeg20, kSavePng, kSaveTiff};
constexpr std::uint16_t kEveryBitCount[] = {8, 16, 24, 32, 48, 64};

TEST(SaveImageTest, UnknownFormatCodesTouchNoFile) {
  TempFolder folder;
  auto picture = MakePicture(5, 3, 24);
  ASSERT_TRUE(picture);
  for (int code : {7, -1, 100, INT_MIN, INT_MAX}) {
    const std::string name = folder.File("unknown" + std::to_string(code));
    EXPECT_EQ(SaveImage(name.c_str(), picture.get(), code), 0) << code;
    EXPECT_FALSE(std::filesystem::exists(name)) << code;
  }
}

struct Signature {
  int code;
  std::vector<std::uint8_t> leadingBytes;
};

TEST(SaveImageTest, EveryFormatReplacesALongerExistingFile) {
  TempFolder folder;
  auto picture = MakePicture(5, 3, 24);
  ASSERT_TRUE(picture);
  const auto storage = StorageBytes(*picture);
  const std::vector<Signature> signatures = {
      {kSaveBmp, {'B', 'M'}},
      {kSaveRaw, {storage.begin(), storage.begin() + 8}},
      {kSaveJpeg100, {0xFF, 0xD8, 0xFF}},
      {kSaveJpeg70, {0xFF, 0xD8, 0xFF}},
      {kSaveJpeg20, {0xFF, 0xD8, 0xFF}},
      {kSavePng, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}},
      {kSaveTiff, {'I', 'I', 42, 0}}};
  for (const Signature& s : signatures) {
    const std::string name = folder.File("existing" + std::to_string(s.code));
    std::ofstream(name, std::ios::binary) << std::string(100000, 'x');
    ASSERT_EQ(SaveImage(name.c_str(), picture.get(), s.code), 1) << s.code;
    const auto bytes = ReadFileBytes(name);
    EXPECT_LT(bytes.size(), 100000u) << s.code;
    ASSERT_GE(bytes.size(), s.leadingBytes.size());
    EXPECT_TRUE(std::equal(s.leadingBytes.begin(), s.leadingBytes.end(), bytes.begin())) << s.code;
  }
}

// The SDK runs inside its host: the libraries' messages never reach the
// host's standard error, the result alone says that the file was not written.
TEST(SaveImageTest, NothingToSaveOrNowhereToSaveItGivesZeroAndPrintsNothing) {
  TempFolder folder;
  ::testing::internal::CaptureStderr();
  auto picture = MakePicture(5, 3, 24);
  ASSERT_TRUE(picture);
  FrameImage empty;
  const std::string inMissingFolder = folder.File("missing/p");
  for (int code : kEveryFormat) {
    EXPECT_EQ(SaveImage(inMissingFolder.c_str(), picture.get(), code), 0) << code;
    EXPECT_EQ(SaveImage("", picture.get(), code), 0) << code;
    EXPECT_EQ(SaveImage(nullptr, picture.get(), code), 0) << code;
    EXPECT_EQ(SaveImage(folder.File("p").c_str(), nullptr, code), 0) << code;
    EXPECT_EQ(SaveImage(folder.File("p").c_str(), &empty, code), 0) << code;
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(std::filesystem::exists(folder.File("missing")));
  EXPECT_FALSE(std::filesystem::exists(folder.File("p")));
}

// Images get no storage from here on, until the scope ends.
struct NoImageStorage {
  NoImageStorage() { FailImageStorageForTesting(0); }
  ~NoImageStorage() { FailImageStorageForTesting(-1); }
};

// Each format that converts into a copy first makes it, and only then opens
// (and so truncates) the file: without memory the old file stays as it was.
TEST(SaveImageTest, AFailedConversionLeavesTheOldFileUntouched) {
  TempFolder folder;
  const std::string old(1000, 'o');
  for (auto [code, bits] : {std::pair{kSaveTiff, 24},
                            {kSaveTiff, 8},
                            {kSaveBmp, 24},
                            {kSaveJpeg100, 24},
                            {kSavePng, 32}}) {
    auto picture = MakePicture(5, 3, static_cast<std::uint16_t>(bits));
    ASSERT_TRUE(picture);
    const std::string name = folder.File("old" + std::to_string(code));
    std::ofstream(name, std::ios::binary) << old;
    {
      NoImageStorage noStorage;
      EXPECT_EQ(SaveImage(name.c_str(), picture.get(), code), 0) << code << ", " << bits << " bits";
    }
    const auto bytes = ReadFileBytes(name);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), old) << code << ", " << bits << " bits";
    EXPECT_EQ(SaveImage(name.c_str(), picture.get(), code), 1) << code << ", " << bits << " bits";
  }
}

#ifdef __linux__
// Every write to /dev/full fails with ENOSPC: a full disk. The leak check of
// the sanitizer build shows that the failed saves leave nothing behind.
TEST(SaveImageTest, AFullDiskMakesEveryWriterReturnZeroAndPrintNothing) {
  ::testing::internal::CaptureStderr();
  for (std::uint16_t bits : kEveryBitCount) {
    for (auto [width, height] : {std::pair{5, 3}, std::pair{640, 480}}) {
      auto picture = MakePicture(width, height, bits);
      ASSERT_TRUE(picture);
      const auto before = StorageBytes(*picture);
      for (int code : kEveryFormat) {
        EXPECT_EQ(SaveImage("/dev/full", picture.get(), code), 0)
            << "code " << code << ", " << bits << " bits, " << width << " wide";
      }
      EXPECT_TRUE(StorageBytes(*picture) == before);
    }
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}
#endif

}  // namespace
}  // namespace kelvo::testing
