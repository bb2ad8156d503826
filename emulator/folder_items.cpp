// Host folder items: a counted instance naming a file by its native path.
#include "builtin_classes.h"
#include "functions.h"
#include "state.h"

namespace emu {
namespace {

FolderItemData* DataOf(REALobject item, const char* use) {
  State* state = CurrentState();
  if (state == nullptr) return nullptr;
  return state->builtInData<FolderItemData>(item, state->folderItemClass, use);
}

void DestroyFolderItem(REALobject item) {
  State* state = CurrentState();
  FolderItemData* data = DataOf(item, "folder item");
  if (state == nullptr || data == nullptr) return;
  state->unlockString(data->nativePath);
  data->nativePath = nullptr;
}

}  // namespace

REALclassDefinition FolderItemClassRecord = {
    0, "FolderItem", nullptr, sizeof(FolderItemData), 0, nullptr, &DestroyFolderItem,
    nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 0,
    nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
};

namespace hostcalls {

REALstring REALpathFromFolderItem(REALobject folderItem) {
  State* state = CurrentState();
  FolderItemData* data = DataOf(folderItem, "REALpathFromFolderItem");
  if (state == nullptr || data == nullptr) return nullptr;
  state->lockString(data->nativePath);
  return data->nativePath;
}

}  // namespace hostcalls
}  // namespace emu
