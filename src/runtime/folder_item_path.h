// The native path of a host folder item, in the form the file functions of
// the platform take.
#pragma once

#include "runtime/heap_buffer.h"
#include "runtime/host_api.h"

// The path as NUL-terminated UTF-16 in a heap buffer (empty HeapBuffer for a
// nil item or no path).
HeapBuffer FolderItemPathUTF16(REALobject folderItem);
