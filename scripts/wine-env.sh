# The environment of every Wine run, read by wine-run.sh and wine-session.sh.
export WINEPREFIX=${KELVO_WINEPREFIX:-$(dirname "$here")/build/win64/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts in a test run.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# For 32-bit programs under qemu-i386: the guest address space ends just above
# Wine's 2 GiB user space, so that Wine's shared user data at 0x7ffe0000 fits
# and its search for free address space above the user space limit fails at
# once. With the full 4 GiB, that search costs about a minute per program start.
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0x81000000}
