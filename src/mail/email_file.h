// Reading a message from a host FolderItem: the work behind
// "Constructor(File as FolderItem)".
#pragma once

#include <cstddef>
#include <cstdio>

#include "runtime/host_api.h"

// Opens the file a folder item names for binary reading, fully buffered with
// `bufferSize` bytes (1 MiB when 0). Null for a nil item, an item without a
// path, or a file that cannot be opened.
FILE* OpenFileForReading(REALobject folderItem, size_t bufferSize);

// Reads the whole file into one buffer and parses it into the record of
// `instance`. When the file cannot be opened or read, an "IOException" or
// "OutOfMemoryException" is raised and the record is left untouched.
void ParseEmailFile(REALobject instance, REALobject folderItem);
