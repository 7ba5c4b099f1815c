/* Links against KelvoSdk_Q12.lib alone: no C runtime, no default libraries.
   Exits with 0 when the DLL answers with its version. */
__declspec(dllimport) int __cdecl Kelvo_GetDllVersion(void);

int __cdecl start(void) { return Kelvo_GetDllVersion() == 0x001D0502 ? 0 : 1; }
