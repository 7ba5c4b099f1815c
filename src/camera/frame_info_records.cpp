#include "camera/frame_info_records.h"

#include <memory>
#include <mutex>
#include <vector>

namespace kelvo {
namespace {

struct Records {
  std::mutex lock;
  std::vector<FrameInfo*> free;
};

// Never destroyed: a notice dispatched while the process ends still finds its record.
Records& TheRecords() {
  static auto* records = new Records;
  return *records;
}

}  // namespace

FrameInfo& BorrowFrameInfo() {
  Records& records = TheRecords();
  FrameInfo* record = nullptr;
  {
    std::lock_guard<std::mutex> hold(records.lock);
    if (!records.free.empty()) {
      record = records.free.back();
      records.free.pop_back();
    }
  }
  if (record == nullptr) record = new FrameInfo;  // kept for the life of the process
  *record = FrameInfo{24, 0, 0, 0, 0, 0};
  return *record;
}

void ReturnFrameInfo(FrameInfo& record) {
  Records& records = TheRecords();
  std::lock_guard<std::mutex> hold(records.lock);
  records.free.push_back(&record);
}

}  // namespace kelvo
