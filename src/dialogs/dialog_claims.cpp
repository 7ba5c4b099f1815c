#include <array>
#include <atomic>

#include "dialogs/settings_dialogs.h"

namespace kelvo::dialogs {
namespace {

std::array<std::atomic<bool>, 3> openKinds{};

std::atomic<bool>& OpenFlag(DialogKind kind) { return openKinds[static_cast<std::size_t>(kind)]; }

}  // namespace

DialogClaim::DialogClaim(DialogKind kind) : kind_(kind) {
  bool open = false;
  held_ = OpenFlag(kind).compare_exchange_strong(open, true);
}

DialogClaim::~DialogClaim() {
  if (held_) OpenFlag(kind_).store(false);
}

}  // namespace kelvo::dialogs
