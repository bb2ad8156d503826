#include "runtime/folder_item_path.h"

#include <cstring>

#include "runtime/host_binding.h"
#include "runtime/host_ref.h"
#include "runtime/text_reader.h"

HeapBuffer FolderItemPathUTF16(REALobject folderItem) {
  if (folderItem == nullptr) return {};
  HostString path(REALpathFromFolderItem(folderItem));
  if (!path) return {};
  HostTextReader pathText(path.get());
  const int64_t units = pathText.UTF16Length();
  // The spare bytes stay zero and terminate the path.
  HeapBuffer buffer(units * 2 + 8);
  if (buffer && units > 0) {
    std::memcpy(buffer.get(), pathText.UTF16(), static_cast<size_t>(units) * 2);
  }
  return buffer;
}
