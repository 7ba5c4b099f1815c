// The process-wide registry of camera handles: a circular doubly linked list
// whose head moves to every node a look-up finds.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace kelvo {

class Camera;

class HandleRing {
 public:
  // Proposes a handle for a ring that holds count nodes; tests replace it to force collisions.
  using HandleSource = std::function<std::uint32_t(std::int32_t count)>;

  // rand() + GetTickCount() + count, with 32-bit wrap-around.
  static std::uint32_t DrawHandle(std::int32_t count);

  explicit HandleRing(HandleSource source = DrawHandle);
  ~HandleRing();
  HandleRing(const HandleRing&) = delete;
  HandleRing& operator=(const HandleRing&) = delete;

  // Registers camera under a new handle and makes it the head. A handle that
  // comes out 0 or already registered is drawn again.
  std::uint32_t Insert(std::shared_ptr<Camera> camera);

  // The camera of handle, or null when the handle is not registered (or its
  // camera is being released). Moves the head as the look-up walk does.
  std::shared_ptr<Camera> Find(std::uint32_t handle);

  // Destroys the handle's camera (once no call is still using it) and unlinks
  // the handle. False when the handle is not registered.
  bool Remove(std::uint32_t handle);

  // Unlinks every node. Cameras still registered are abandoned, not destroyed:
  // at library unload their worker threads can no longer be waited for.
  void Clear();

  std::int32_t Count() const;
  // The handle at the head, 0 when the ring is empty.
  std::uint32_t HeadHandle() const;

 private:
  struct RingNode {
    std::uint32_t handle;
    std::shared_ptr<Camera> camera;
    RingNode* previous;
    RingNode* next;
  };

  RingNode* LookUp(std::uint32_t handle);
  bool Contains(std::uint32_t handle) const;
  void UnlinkHead();

  HandleSource source_;
  mutable std::mutex lock_;
  RingNode* head_ = nullptr;
  std::int32_t count_ = 0;
  std::vector<std::unique_ptr<RingNode>> nodes_;  // owns the nodes; links are views
};

// The one ring of the process, cleared when the library unloads.
HandleRing& TheHandleRing();

}  // namespace kelvo
