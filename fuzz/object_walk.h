// Reads back everything host code can reach from an object the plugin made,
// the way a curious Xojo program would: every property of its class and of
// its superclasses, every method that takes nothing, an index or a name,
// every element of every array, and every object found on the way, each
// once. The members are taken from the class records the plugin registered,
// so classes and members added later are walked without changes here.
#pragma once

#include <cstddef>
#include <set>
#include <vector>

#include "host.h"

namespace fuzzing {

class ObjectWalker {
 public:
  explicit ObjectWalker(emu::Host& host) : host_(host) {}

  // Walks `object` and everything reachable from it. Exceptions the plugin
  // raises are taken and counted; the emulator's own complaints about misuse
  // of the boundary propagate as C++ exceptions.
  void walk(const emu::Obj& object);

  size_t objectsWalked() const { return held_.size(); }
  size_t exceptionsTaken() const { return exceptionsTaken_; }
  size_t bytesRead() const { return bytesRead_; }

 private:
  void walkMembers(const emu::Obj& object, const emu::RegisteredClass& registered);
  void callMethod(const emu::Obj& object, const REALmethod& method);
  void walkValue(const emu::Value& value, const char* typeName);
  void walkArray(const emu::Obj& array);
  void takeException();

  emu::Host& host_;
  // Held until the walk ends, so that no address is reused while it runs.
  std::vector<emu::Obj> held_;
  std::set<REALobject> visited_;
  size_t exceptionsTaken_ = 0;
  size_t bytesRead_ = 0;
};

}  // namespace fuzzing
