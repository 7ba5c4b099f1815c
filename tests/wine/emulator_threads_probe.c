/* The 32-bit test bed's own check, with no SDK code in it: three threads wait
   on an event with a time-out of 1 ms, over and over, for 5 seconds. Under an
   emulator that shares the threads' TLS descriptors, Wine's 32-bit half
   crashes here within seconds ("partial wakeup read", "Bad file descriptor",
   a segmentation fault); under a sound one it prints the count and exits 0.
   When it fails, the 32-bit suites' failures are the test bed's, not ours. */
#include <stdio.h>
#include <windows.h>

static HANDLE never, done;
static volatile LONG waits;

static DWORD WINAPI Waiter(LPVOID unused) {
  (void)unused;
  while (WaitForSingleObject(done, 0) != WAIT_OBJECT_0) {
    WaitForSingleObject(never, 1);
    InterlockedIncrement(&waits);
  }
  return 0;
}

int main(void) {
  HANDLE threads[3];
  int i;
  never = CreateEventA(NULL, TRUE, FALSE, NULL);
  done = CreateEventA(NULL, TRUE, FALSE, NULL);
  for (i = 0; i < 3; ++i) threads[i] = CreateThread(NULL, 0, Waiter, NULL, 0, NULL);
  Sleep(5000);
  SetEvent(done);
  WaitForMultipleObjects(3, threads, TRUE, INFINITE);
  printf("emulator threads probe: 3 threads waited %ld times in 5 s\n", waits);
  return waits > 0 ? 0 : 1;
}
