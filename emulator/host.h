// The Xojo host emulator: a real, reference-counting implementation of every
// host function of the plugin boundary, used by tests and tools the way Xojo
// uses the plugin. Never linked into the plugin.
//
//   emu::Host host;                       // becomes the current host
//   host.loadPlugin();                    // a fresh copy of libzqvmime.so
//   emu::Obj email = host.construct("MimeEmailZQV", "Constructor(Content as string)",
//                                   {host.string("Subject: hi\r\n\r\nbody")});
//   emu::Str subject = host.get(email, "Subject").str();
//   EXPECT_EQ(host.leakReport(), "");     // after every handle is gone
//
// One host is current at a time (the plugin's resolver is a plain function):
// the one most recently constructed and not yet destroyed. Str/Obj handles
// and the host functions act on it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/host_api.h"
#include "types.h"

namespace emu {

class Host;
struct State;

// Test-side handles: each holds one counted reference, copied by adding one.
class Str {
 public:
  Str() = default;
  static Str adopt(REALstring owned);    // takes over a reference
  static Str retain(REALstring borrowed);  // adds one
  Str(const Str& other);
  Str& operator=(const Str& other);
  Str(Str&& other) noexcept;
  Str& operator=(Str&& other) noexcept;
  ~Str();

  REALstring get() const { return ref_; }
  bool isNil() const { return ref_ == nullptr; }
  REALstring release();

  std::string bytes() const;   // the stored bytes, as they are
  uint32_t encoding() const;   // the encoding number it is tagged with
  std::string utf8() const;    // converted to UTF-8 (empty for nil)

 private:
  REALstring ref_ = nullptr;
};

class Obj {
 public:
  Obj() = default;
  static Obj adopt(REALobject owned);
  static Obj retain(REALobject borrowed);
  Obj(const Obj& other);
  Obj& operator=(const Obj& other);
  Obj(Obj&& other) noexcept;
  Obj& operator=(Obj&& other) noexcept;
  ~Obj();

  REALobject get() const { return ref_; }
  bool isNil() const { return ref_ == nullptr; }
  REALobject release();
  std::string className() const;  // "" for nil

 private:
  REALobject ref_ = nullptr;
};

// A value crossing the boundary: nothing (void or not given), a string, an
// object (instances, arrays, dates, ...), an Integer, a Boolean or a Double.
class Value {
 public:
  Value() = default;
  Value(Str s) : v_(std::move(s)) {}
  Value(Obj o) : v_(std::move(o)) {}
  Value(int64_t i) : v_(i) {}
  Value(int i) : v_(int64_t{i}) {}
  Value(bool b) : v_(b) {}
  Value(double d) : v_(d) {}

  bool isNothing() const { return std::holds_alternative<std::monostate>(v_); }
  // Each accessor fails the calling test (throws std::logic_error) when the
  // value holds another kind.
  const Str& str() const;
  const Obj& obj() const;
  int64_t integer() const;
  bool boolean() const;
  double real() const;

 private:
  std::variant<std::monostate, Str, Obj, int64_t, bool, double> v_;
};

class Host {
 public:
  using Options = HostOptions;

  Host();
  explicit Host(Options options);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  static Host& current();
  // The resolver handed to REALPluginMain.
  static void* Resolve(const char* name);

  // Loads a fresh private copy of the plugin (so its process-wide state starts
  // anew) and calls its REALPluginMain with Resolve. Throws std::runtime_error
  // when the library or its entry cannot be loaded.
  void loadPlugin(const std::string& path = ZQV_PLUGIN_FILE);
  // Calls an entry point linked into this process (in-process tests).
  void startPlugin(PluginMainFn pluginMain);

  // ---- configuration and fault switches (any time) ----
  void setWithheld(const std::string& functionName, bool withheld);
  int resolveCount(const std::string& functionName) const;  // times asked
  void refuseInstances(const std::string& className, bool refuse);  // PluginNewInstance gives nil
  void refuseMethod(const std::string& declaration, bool refuse);   // REALLoadObjectMethod/REALLoadGlobalMethod give nil

  // ---- what the plugin did at start-up ----
  const std::vector<RegisteredClass>& registeredClasses() const;
  const RegisteredClass* registeredClass(const std::string& name) const;
  std::optional<int32_t> announcedPluginLevel() const;  // RegisterPluginVersion argument
  // Properties/methods of a registered class as registered (flags after rewrite).
  const REALproperty* findProperty(const std::string& className, const std::string& name,
                                   bool shared = false) const;
  const REALmethod* findMethod(const std::string& className, const std::string& declaration,
                               bool shared = false) const;

  // ---- values host code makes ----
  Str string(std::string_view bytes, uint32_t encoding = kREALTextEncodingUTF8);
  Obj memoryBlock(std::string_view bytes);
  Obj memoryBlockWithSize(void* pointer, int64_t reportedSize);  // odd blocks for edge cases
  Obj folderItem(const std::string& nativePath);
  Obj newInstance(const std::string& className);  // as host code's New; runs no constructor
  // A Date showing these parts in the zone gmtOffsetHours names; an offset
  // beyond +-24 hours (such as -10000) means the machine's zone. A Date's
  // TotalSeconds counts the seconds of what it shows since 1904-01-01, and
  // setting it or a part moves what it shows (parts out of range carry
  // over); setting GMTOffset keeps the moment and moves what it shows.
  Obj date(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
           int64_t second, double gmtOffsetHours = 0.0);
  // An object array (element type 4) holding a reference to each element.
  Obj objectArray(const std::vector<Obj>& elements = {});

  // ---- calls as host code makes them ----
  // Members are found by their exact declaration (properties by name) in the
  // class and its superclasses, and called through a pointer of their exact
  // C type (at most three C arguments, instance included). Misuse (an
  // unknown member, wrong argument count or kind) throws
  // std::invalid_argument. Each call delivers, when it returns, the first
  // exception the plugin raised during it (see takeException); a call clears
  // any earlier undelivered one. A raise outside any call (in-process tests
  // calling the runtime directly) is delivered at once. A constructor that
  // raises still gives its instance, as the plugin left it.
  Obj construct(const std::string& className, const std::string& declaration,
                const std::vector<Value>& args = {});
  Value call(const Obj& instance, const std::string& declaration,
             const std::vector<Value>& args = {});
  Value callShared(const std::string& className, const std::string& declaration,
                   const std::vector<Value>& args = {});
  Value get(const Obj& instance, const std::string& property);
  void set(const Obj& instance, const std::string& property, const Value& value);
  Value getShared(const std::string& className, const std::string& property);
  void setShared(const std::string& className, const std::string& property, const Value& value);

  // The exception delivered by the last call, if any; taking it clears it.
  std::optional<RaisedException> takeException();
  // Every exception the plugin raised during the last call, in order (host
  // code only ever sees the first; tests may check the others).
  const std::vector<RaisedException>& raisedDuringLastCall() const;

  // ---- reading host values ----
  // Misuse (not an array, index out of range, no such property) throws.
  int64_t ubound(const Obj& array) const;          // -1 for empty
  Obj element(const Obj& array, int64_t index) const;
  void append(const Obj& array, const Obj& value);  // host code changing an array
  void removeAt(const Obj& array, int64_t index);
  int64_t integerProperty(const Obj& object, const std::string& name) const;  // Date parts, ...
  double doubleProperty(const Obj& object, const std::string& name) const;
  std::string memoryBlockBytes(const Obj& block) const;
  // Text in a given encoding (UTF-8 when omitted), empty when unconvertible.
  // Text of unknown encoding (0xFFFF) converts only when it is plain ASCII;
  // converting to the unknown encoding keeps the bytes.
  static std::string convert(std::string_view bytes, uint32_t from,
                             uint32_t to = kREALTextEncodingUTF8, bool* ok = nullptr);

  // ---- reference accounting ----
  // Empty when every string and object made so far has been released and no
  // release went below zero; otherwise one line per problem: each leaked
  // string (its first bytes) or object (its class) with its count, string
  // data never disposed, and every misuse the host functions saw (a release
  // of a dead handle, a handle of the wrong kind, an array index out of
  // range, a class registered twice...).
  std::string leakReport() const;
  size_t liveStrings() const;
  size_t liveObjects() const;

  // Implementation, shared with emulator/*.cpp only (state.h).
  State& state() { return *state_; }
  const State& state() const { return *state_; }

 private:
  std::unique_ptr<State> state_;
};

}  // namespace emu
