// The guard on Linux: a SIGILL handler that jumps back into the probing call
// on the thread that armed it and passes every other SIGILL on.
#include <csetjmp>
#include <csignal>
#include <mutex>

#include "platform/instruction_probe_x86.h"

namespace kelvo::platform {
namespace {

thread_local sigjmp_buf* armedGuard = nullptr;
struct sigaction previousAction;

void OnIllegalInstruction(int signal, siginfo_t* info, void* context) {
  if (sigjmp_buf* guard = armedGuard) {
    armedGuard = nullptr;
    siglongjmp(*guard, 1);
  }
  // Not a probe: behave as if we had never been installed.
  if ((previousAction.sa_flags & SA_SIGINFO) != 0) {
    previousAction.sa_sigaction(signal, info, context);
  } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
    previousAction.sa_handler(signal);
  } else {
    // The faulting instruction runs again and meets the default action.
    std::signal(SIGILL, SIG_DFL);
  }
}

void InstallHandler() {
  struct sigaction action = {};
  action.sa_sigaction = OnIllegalInstruction;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  sigaction(SIGILL, &action, &previousAction);
}

}  // namespace

bool ExecutesWithoutFault(ProbeInstruction instruction) {
  static std::once_flag installed;
  std::call_once(installed, InstallHandler);
  ProbeRoutine routine = ProbeRoutineFor(instruction);
  sigjmp_buf guard;
  if (sigsetjmp(guard, 1) != 0) return false;
  armedGuard = &guard;
  int completed = routine();
  armedGuard = nullptr;
  return completed == 1;
}

}  // namespace kelvo::platform
