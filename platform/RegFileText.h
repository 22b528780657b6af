#pragma once

#include "platform/Registry.h"

#include <optional>
#include <string>
#include <string_view>

// The registry editor's export format ("Windows Registry Editor Version 5.00"):
// "[HKEY_LOCAL_MACHINE\path]" opens a key; "name"="text" (type 1),
// "name"=dword:00000007 (type 4), "name"=hex:05,a0 (type 3) and
// "name"=hex(N):.. (type N) are its values; "@" names the default value; a
// line ending in "\" goes on in the next. UTF-16 files (as the registry editor
// writes them) and UTF-8 files are both read. Key paths and value names match
// without regard to case. Lines that mean nothing in this format are passed over.
namespace platform {

// Value `name` of the key `fullKeyPath` (root name included, as in
// "HKEY_LOCAL_MACHINE\System\...") in the exported text `file`.
std::optional<RegistryValue> findRegValue(std::string_view file, std::string_view fullKeyPath,
                                          std::string_view name);

} // namespace platform
