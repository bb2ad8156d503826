// The host functions the resolver hands to the plugin, with the exact
// signatures of host_api.h. They act on the current host; with none, they
// answer as for nil.
#pragma once

#include <cstdint>

#include "runtime/host_api.h"

namespace emu::hostcalls {

// objects.cpp
double REALGetRBVersion();
void RegisterPluginVersion(int32_t level);
void PluginRegisterClass(REALclassDefinition* record);
REALobject PluginNewInstance(const char* className);
void REALLockObject(REALobject object);
void REALUnlockObject(REALobject object);
bool REALSetPropValueString(REALobject object, const char* prop, REALstring value);
bool REALSetPropValueInteger(REALobject object, const char* prop, int64_t value);
bool REALSetPropValueDouble(REALobject object, const char* prop, double value);
bool REALGetPropValueDouble(REALobject object, const char* prop, double* out);
void* REALLoadObjectMethod(REALobject object, const char* declaration);
void* REALLoadGlobalMethod(const char* module, const char* declaration);

// exceptions.cpp
void RuntimeRaiseException(REALobject exception);

// strings.cpp
void REALLockString(REALstring text);
void REALUnlockString(REALstring text);
REALstring REALBuildString(const void* bytes, int32_t length);
REALstring REALBuildStringWithEncoding(const void* bytes, int32_t length, uint32_t encoding);
void REALSetStringEncoding(REALstring text, uint32_t encoding);
REALstring REALConvertString(REALstring text, uint32_t encoding);
uint32_t REALGetStringEncoding(REALstring text);
bool PluginGetStringData(REALstring text, uint32_t encoding, StringData* out);
void PluginDisposeStringData(StringData* data);
const char* StringGetCString(REALstring text);
REALstring RuntimeAddString(REALstring first, REALstring second);
int64_t RuntimeStringCompare(REALstring first, REALstring second);
int64_t LenB(REALstring text);  // the global method "LenB( s as string ) as integer"

// arrays.cpp
REALobject RuntimeArrayCreateSingleDimBoundedArray(int32_t elementType, int64_t upperBound);
int64_t RuntimeUBound(REALobject array);
REALobject RuntimeDirectReadObjectArray(REALobject array, int64_t index);
hostfn::ObjectArrayInsertProc PluginObjectArrayInsertProc(REALobject array);

// memory_blocks.cpp
void* memoryBlockGetPtr(REALobject block);
int64_t memoryBlockGetSize(REALobject block);

// folder_items.cpp
REALstring REALpathFromFolderItem(REALobject folderItem);

}  // namespace emu::hostcalls
