// The object tree of a parsed message (entities, bodies, fields) as host
// code walks it, the field-line constructor, and the order in which the
// builders hand each entity to the message's per-entity step.

#include <sstream>
#include <string>
#include <vector>

#include <mimetic/mimeentity.h>

#include "objects/entity_builder.h"
#include "plugin_test.h"

namespace {

using namespace std::string_literals;

constexpr char kPartAt[] = "Parts(index as Integer) as MimeEntityZQV";
constexpr char kParts[] = "Parts as MimeEntityZQV()";
constexpr char kFieldLine[] = "Constructor(TextToParse as String)";

// Preamble, a text part (cut by a NUL), a base64 part and a nested
// multipart, then epilogue.
const std::string kNestedMessage =
    "Content-Type: multipart/mixed; boundary=outer\r\n"
    "\r\n"
    "This is the preamble.\r\n"
    "--outer\r\n"
    "Content-Type: text/plain\r\n"
    "\r\n"
    "first\0hidden\r\n"s
    "--outer\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "aGVsbG8=\r\n"
    "--outer\r\n"
    "Content-Type: multipart/alternative; boundary=inner\r\n"
    "\r\n"
    "--inner\r\n"
    "\r\n"
    "nested\r\n"
    "--inner--\r\n"
    "--outer--\r\n"
    "The epilogue.\r\n";

class ObjectsTest : public PluginTest {
 protected:
  std::string shown(const emu::Obj& object, const std::string& property) {
    emu::Str value = host().get(object, property).str();
    return value.isNil() ? "(nil)" : value.bytes();
  }
  emu::Obj bodyOf(const emu::Obj& entity) { return host().get(entity, "Body").obj(); }
  emu::Obj partAt(const emu::Obj& body, int64_t index) {
    return host().call(body, kPartAt, {index}).obj();
  }
};

TEST_F(ObjectsTest, BodiesHoldTheirRawTextAndTheTreeOfParts) {
  emu::Obj email = parseEmail(kNestedMessage);
  emu::Obj body = bodyOf(email);
  EXPECT_EQ(shown(body, "preamble"), "This is the preamble.");
  EXPECT_EQ(shown(body, "epilogue"), "The epilogue.\r\n");
  EXPECT_EQ(shown(body, "StringValue"), "(nil)");
  ASSERT_EQ(host().ubound(host().call(body, kParts).obj()), 2);

  EXPECT_EQ(shown(host().get(partAt(body, 0), "Header").obj(), "ContentType"), "text/plain");
  EXPECT_EQ(shown(bodyOf(partAt(body, 0)), "StringValue"), "first");
  EXPECT_EQ(shown(bodyOf(partAt(body, 1)), "StringValue"), "aGVsbG8=");
  emu::Obj nestedBody = bodyOf(partAt(body, 2));
  EXPECT_EQ(shown(bodyOf(partAt(nestedBody, 0)), "StringValue"), "nested");
  expectNoException();

  emu::Obj leafBody = bodyOf(partAt(body, 1));
  EXPECT_EQ(host().ubound(host().call(leafBody, kParts).obj()), -1);
  EXPECT_TRUE(partAt(leafBody, 0).isNil());
  expectException("OutOfBoundsException",
                  "The parameter index  is too big. Range is 0 to -1, but value is 0.");
}

TEST_F(ObjectsTest, HostChangesToThePartsArrayShowInEveryMember) {
  emu::Obj email = parseEmail(kNestedMessage);
  emu::Obj body = bodyOf(email);
  emu::Obj parts = host().call(body, kParts).obj();
  EXPECT_EQ(host().call(body, kParts).obj().get(), parts.get());
  EXPECT_EQ(host().get(body, "PartsVariant").obj().get(), parts.get());

  host().removeAt(parts, 0);
  EXPECT_EQ(shown(bodyOf(partAt(body, 0)), "StringValue"), "aGVsbG8=");
  EXPECT_EQ(host().ubound(host().get(body, "PartsVariant").obj()), 1);
}

TEST_F(ObjectsTest, FieldLineSplitsAtTheFirstColon) {
  struct Case {
    emu::Str line;
    std::string name, value;
  };
  const std::u16string wide = u"Subject: H\u00e9";
  const std::vector<Case> cases = {
      {host().string("Subject: Hello"), "Subject", "Hello"},
      {host().string("Subject:Hello"), "Subject", "Hello"},
      {host().string("Subject:   a: b"), "Subject", "a: b"},
      {host().string("X-Empty:"), "X-Empty", "(nil)"},
      {host().string("no colon here"), "(nil)", "(nil)"},
      {emu::Str(), "(nil)", "(nil)"},
      {host().string(std::string_view("Subject: ab\0cd", 14)), "Subject", "ab"},
      {host().string(std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * 2),
                     kREALTextEncodingUTF16),
       "Subject", "H\xC3\xA9"},
  };
  for (const Case& test : cases) {
    emu::Obj field = host().construct("MimeFieldZQV", kFieldLine, {test.line});
    expectNoException();
    EXPECT_EQ(shown(field, "Name"), test.name) << test.line.bytes();
    EXPECT_EQ(shown(field, "Value"), test.value) << test.line.bytes();
  }
}

// When the host cannot make an object, the tree is that much smaller.
TEST_F(ObjectsTest, RefusedInstancesAreLeftOut) {
  host().refuseInstances("MimeEntityZQV", true);
  host().refuseInstances("MimeFieldZQV", true);
  emu::Obj email = parseEmail(kNestedMessage);
  emu::Obj header = host().get(email, "Header").obj();
  EXPECT_EQ(host().ubound(host().call(header, "Fields as MimeFieldZQV()").obj()), -1);
  EXPECT_EQ(host().ubound(host().call(bodyOf(email), kParts).obj()), -1);

  host().refuseInstances("MimeEntityZQV", false);
  host().refuseInstances("MimeHeaderZQV", true);
  email = parseEmail(kNestedMessage);
  EXPECT_TRUE(host().get(email, "Header").obj().isNil());
  EXPECT_EQ(host().ubound(host().call(bodyOf(email), kParts).obj()), 2);
}

using ObjectsBuildTest = InProcessTest;

std::vector<std::string> stepsSeen;
const MimeEntityData* messageRecordGiven = nullptr;

// Notes each entity by its X-Id, marked "?" when the step was not handed the
// entity's own Body and Header objects or the message being built.
void RecordStep(MimeEntityData& entityRecord, const mimetic::MimeEntity& entity,
                MimeEntityData& messageRecord, REALobject body, REALobject header) {
  const bool handedItsOwn = body != nullptr && body == entityRecord.Body &&
                            header != nullptr && header == entityRecord.Header &&
                            &messageRecord == messageRecordGiven;
  stepsSeen.push_back(entity.header().field("X-Id").value() + (handedItsOwn ? "" : "?"));
}

// The message's step must meet every child before its parent, in order.
TEST_F(ObjectsBuildTest, EntitiesReachTheStepChildrenFirst) {
  std::istringstream text(
      "X-Id: root\r\nContent-Type: multipart/mixed; boundary=a\r\n\r\n"
      "--a\r\nX-Id: child1\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
      "--b\r\nX-Id: grandchild1\r\n\r\none\r\n--b--\r\n"
      "--a\r\nX-Id: child2\r\nContent-Type: multipart/mixed; boundary=c\r\n\r\n"
      "--c\r\nX-Id: grandchild2\r\n\r\ntwo\r\n--c--\r\n"
      "--a--\r\n");
  const mimetic::MimeEntity root(text);
  MimeEntityData messageRecord{};
  messageRecordGiven = &messageRecord;
  stepsSeen.clear();
  {
    HostObject entity = NewEntityObject(root, BuildContext{&messageRecord, &RecordStep});
    ASSERT_TRUE(entity);
  }
  EXPECT_EQ(stepsSeen, (std::vector<std::string>{"grandchild1", "child1", "grandchild2",
                                                 "child2", "root"}));
  stepsSeen.clear();
  EXPECT_TRUE(NewEntityObject(root, BuildContext{&messageRecord, nullptr}));
  EXPECT_TRUE(stepsSeen.empty());
}

}  // namespace
