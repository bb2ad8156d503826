// What the list classes (MimeAddressListZQV, MimeMailboxListZQV and
// MimeGroupZQV) have in common: one host array of objects in the instance
// record, handed out whole, by index and as a Variant, and counted; a
// builder's last step; and the constructor from text. Each class keeps its
// own record, destructor, member tables and class record, whose rows name
// these functions for that record and field.
#pragma once

#include <string>

#include "runtime/errors.h"
#include "runtime/host_array.h"
#include "runtime/host_binding.h"
#include "runtime/host_ref.h"
#include "runtime/text_reader.h"

template <class Record, const REALclassDefinition& Class, REALobject Record::*Array>
struct ListArrayMembers {
  // Counted on every read: host code may have changed the array.
  static RBInteger Count(REALobject instance, RBInteger) {
    return ObjectArrayUBound(array(instance)) + 1;
  }
  static REALobject Item(REALobject instance, RBInteger index) {
    return ObjectArrayItem(array(instance), index);
  }
  // The method and the Variant property hand out the very array the record
  // holds, so host code sees its own changes to it in later calls.
  static REALobject Whole(REALobject instance) { return ShareField(array(instance)); }
  static REALobject Variant(REALobject instance, RBInteger) { return Whole(instance); }

 private:
  static REALobject array(REALobject instance) {
    return InstanceData<Record>(instance, Class)->*Array;
  }
};

// `Fill` stores what host code sees of a parsed `Value` into a record.
template <class Record, const REALclassDefinition& Class, class Value,
          void (*Fill)(Record&, const Value&)>
struct ParsedValueMembers {
  // A builder's step after its own emptiness test: nil when the host makes
  // no instance.
  static HostObject NewObject(const Value& value) {
    HostObject instance(PluginNewInstance(Class.name));
    if (!instance) return instance;
    Fill(*InstanceData<Record>(instance.get(), Class), value);
    return instance;
  }

  // "Constructor(TextToParse as String)". Unlike the builders, no emptiness
  // test: host code asked for an object and gets one, whatever mimetic made
  // of the text.
  static void ConstructFromText(REALobject instance, REALstring textToParse) {
    RunGuarded([&] {
      HostTextReader text(textToParse);
      const Value value{std::string(text.UTF8())};
      Fill(*InstanceData<Record>(instance, Class), value);
    });
  }
};
