#include "api/handle_ring.h"

#include <algorithm>
#include <cstdlib>

#include "camera/camera.h"
#include "platform/clock.h"

namespace kelvo {

std::uint32_t HandleRing::DrawHandle(std::int32_t count) {
  return static_cast<std::uint32_t>(std::rand()) + platform::TickCount() +
         static_cast<std::uint32_t>(count);
}

HandleRing::HandleRing(HandleSource source) : source_(std::move(source)) {}

HandleRing::~HandleRing() { Clear(); }

std::uint32_t HandleRing::Insert(std::shared_ptr<Camera> camera) {
  std::lock_guard<std::mutex> hold(lock_);
  std::uint32_t handle = source_(count_);
  while (handle == 0 || Contains(handle)) handle = source_(count_);

  nodes_.push_back(std::make_unique<RingNode>(RingNode{handle, std::move(camera), nullptr, nullptr}));
  RingNode* node = nodes_.back().get();
  if (head_ == nullptr) {
    node->previous = node->next = node;
  } else {
    // Between the former last node and the former head.
    node->previous = head_->previous;
    node->next = head_;
    head_->previous->next = node;
    head_->previous = node;
  }
  head_ = node;
  ++count_;
  return handle;
}

// The walk starts at the head and gives up on reaching the node that stood
// before it; every step moves the head along.
HandleRing::RingNode* HandleRing::LookUp(std::uint32_t handle) {
  if (head_ == nullptr) return nullptr;
  const std::uint32_t last = head_->previous->handle;
  RingNode* node = head_;
  while (node->handle != handle) {
    if (node->handle == last) return nullptr;
    node = node->next;
    head_ = node;
  }
  return node;
}

bool HandleRing::Contains(std::uint32_t handle) const {
  if (head_ == nullptr) return false;
  const RingNode* node = head_;
  do {
    if (node->handle == handle) return true;
    node = node->next;
  } while (node != head_);
  return false;
}

std::shared_ptr<Camera> HandleRing::Find(std::uint32_t handle) {
  std::lock_guard<std::mutex> hold(lock_);
  RingNode* node = LookUp(handle);
  return node != nullptr ? node->camera : nullptr;
}

bool HandleRing::Remove(std::uint32_t handle) {
  std::shared_ptr<Camera> camera;
  {
    std::lock_guard<std::mutex> hold(lock_);
    RingNode* node = LookUp(handle);
    if (node == nullptr) return false;
    camera = std::move(node->camera);
  }
  // Destruction stops the camera's threads; other handles stay usable meanwhile.
  camera.reset();

  std::lock_guard<std::mutex> hold(lock_);
  if (LookUp(handle) != nullptr) UnlinkHead();
  return true;
}

void HandleRing::UnlinkHead() {
  RingNode* node = head_;
  if (count_ == 1) {
    head_ = nullptr;
    count_ = 0;
  } else {
    --count_;
    node->previous->next = node->next;
    node->next->previous = node->previous;
    head_ = node->next;
  }
  auto owned = std::find_if(nodes_.begin(), nodes_.end(),
                            [node](const auto& entry) { return entry.get() == node; });
  nodes_.erase(owned);
}

void HandleRing::Clear() {
  // Kept reachable on purpose, so leak checkers see an intended abandonment.
  static auto* abandoned = new std::vector<std::shared_ptr<Camera>>;
  std::lock_guard<std::mutex> hold(lock_);
  while (head_ != nullptr) {
    if (head_->camera) abandoned->push_back(std::move(head_->camera));
    UnlinkHead();
  }
}

std::int32_t HandleRing::Count() const {
  std::lock_guard<std::mutex> hold(lock_);
  return count_;
}

std::uint32_t HandleRing::HeadHandle() const {
  std::lock_guard<std::mutex> hold(lock_);
  return head_ != nullptr ? head_->handle : 0;
}

HandleRing& TheHandleRing() {
  static HandleRing ring;
  return ring;
}

}  // namespace kelvo
