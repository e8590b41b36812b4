#pragma once

#include <string>

namespace keldra {

// A random (version 4) UUID in its canonical upper-case text form, from the system's secure random source.
std::string makeUuid();

} // namespace keldra
