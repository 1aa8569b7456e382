// The kinds of root a Win32 path can start with.
#pragma once

namespace System {

// Relative: no root. Rooted: "\" (the current drive). Drive: "C:\". Unc: "\\server\share\".
enum RootKind { Relative = 0, Rooted = 1, Drive = 2, Unc = 3 };

} // namespace System
