// The system's path type: a path under the Win32 rules.
#pragma once

#include "System/BasicPath.h"
#include "System/Win32/PathTraits.h"

namespace System {

using Path = BasicPath<Win32::PathTraits>;

} // namespace System
