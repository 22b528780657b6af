#pragma once

#include <string>

// The driver's registry records of its readers, in the registry editor's
// export format, as the program reads them from registry.reg.
namespace kvrsim {

// The records of `readers` readers: reader i is described as "<name> <i>" and
// is port COM<firstPort + i>; `layout` 'A', 'B' or 'C' picks the keys that
// hold them, as the driver's versions do.
std::string registryText(char layout, const std::string& name, int readers, int firstPort);

} // namespace kvrsim
