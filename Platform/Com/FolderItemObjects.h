// The item objects the shell stand-in's folders hand out: an item count and a named item.
#pragma once

#include "Platform/Com/ShlDisp.h"

#include <string>

namespace Platform::Com {

HRESULT makeFolderItems(long count, FolderItems** items);

// An item whose name is `name` (a Win32 name).
HRESULT makeFolderItem(std::u16string name, FolderItem** item);

} // namespace Platform::Com
