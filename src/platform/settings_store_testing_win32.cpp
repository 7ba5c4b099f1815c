// Apart from the store, so that the library itself never imports the deletion.
#include "platform/settings_store.h"
#include "platform/win32.h"

namespace kelvo::platform {

void DeleteUserSettingsForTesting(const char* path) { RegDeleteTreeA(HKEY_CURRENT_USER, path); }

}  // namespace kelvo::platform
