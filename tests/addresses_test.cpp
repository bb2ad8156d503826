// Addresses, mailboxes and groups from a parsed header's address fields and
// from each class's text constructor.

#include <string>
#include <vector>

#include "plugin_test.h"

namespace {

using namespace std::string_literals;

constexpr char kAddressAt[] = "Addresses(index as Integer) as MimeAddressZQV";
constexpr char kMailboxAt[] = "Mailboxes(index as Integer) as MimeMailboxZQV";

class AddressesTest : public PluginTest {
 protected:
  int64_t count(const emu::Obj& list) { return host().get(list, "Count").integer(); }
  emu::Obj parsed(const std::string& className, std::string_view text) {
    emu::Obj object = host().construct(className, kTextConstructor, {host().string(text)});
    expectNoException();
    return object;
  }
  // The emails of a mailbox list's or a group's mailboxes, each ended by "|".
  std::string emails(const emu::Obj& list) {
    std::string all;
    for (int64_t index = 0; index < count(list); ++index) {
      all += shown(host().call(list, kMailboxAt, {index}).obj(), "Email") + "|";
    }
    return all;
  }
};

TEST_F(AddressesTest, HeaderAddressFieldsBecomeObjectsOrNil) {
  emu::Obj email = parseEmail(
      "To: Ann <ann@example.com>, bob@example.com, Friends: carl@example.com, dora@example.com;\r\n"
      "CC: :;\r\n"
      "Reply-To: Team: erin@example.com, fred@example.com\r\n"
      "BCC: undisclosed-recipients:\r\n"
      "\r\n"
      "body\r\n");
  expectNoException();
  emu::Obj header = headerOf(email);
  emu::Obj bareHeader = headerOf(parseEmail("Subject: none\r\n\r\nbody\r\n"));
  for (const char* field : {"sender", "from", "too", "replyto", "cc", "bcc"}) {
    EXPECT_TRUE(host().get(bareHeader, field).obj().isNil()) << field;
  }

  // Each address as its mailbox's email or its group's name and emails.
  const auto addresses = [&](const char* field) {
    const emu::Obj list = host().get(header, field).obj();
    std::string seen;
    for (int64_t index = 0; index < count(list); ++index) {
      emu::Obj address = host().call(list, kAddressAt, {index}).obj();
      emu::Obj mailbox = host().get(address, "Mailbox").obj();
      emu::Obj group = host().get(address, "Group").obj();
      seen += host().get(address, "isGroup").boolean() ? "group " : "mailbox ";
      if (!mailbox.isNil()) seen += shown(mailbox, "Email");
      if (!group.isNil()) seen += shown(group, "Name") + ": " + emails(group);
      seen += "\n";
    }
    return seen;
  };
  EXPECT_EQ(addresses("too"),
            "mailbox ann@example.com\nmailbox bob@example.com\n"
            "group Friends: carl@example.com|dora@example.com|\n");
  // ":;" is a group with neither name nor mailbox, so no group object; a
  // named one without mailboxes has one. Groups without their closing ";"
  // read as if it were there.
  EXPECT_EQ(addresses("cc"), "group \n");
  EXPECT_EQ(addresses("bcc"), "group undisclosed-recipients: \n");
  EXPECT_EQ(addresses("replyto"), "group Team: erin@example.com|fred@example.com|\n");
}

// A mailbox's label is decoded and unquoted, a group's name only decoded.
TEST_F(AddressesTest, LabelsAreDecodedAndUnquotedGroupNamesOnlyDecoded) {
  const std::string quoted = "\"=?utf-8?q?J=C3=BCrgen?=\"";
  emu::Obj mailbox = parsed("MimeMailboxZQV", quoted + " <j@example.com>");
  EXPECT_EQ(shown(mailbox, "Label"), quoted);
  EXPECT_EQ(shown(mailbox, "LabelDecoded"), "J\xC3\xBCrgen");
  emu::Obj group = parsed("MimeGroupZQV", quoted + ": a@example.com;");
  EXPECT_EQ(shown(group, "Name"), quoted);
  EXPECT_EQ(shown(group, "NameDecoded"), "\"J\xC3\xBCrgen\"");
}

// A mailbox reads alike in the mailbox and address constructors (lists read
// each element as an address). One without a local part is left out of the
// address and the From field, an empty list then, not nil.
TEST_F(AddressesTest, MailboxTextsReadAlikeInTheMailboxAndAddressConstructors) {
  const std::string blanks(40, ' ');
  // Each text, and its Mailbox|Domain|Label|Email|StringValue.
  const std::pair<std::string, std::string> cases[] = {
      {"Ann <ann@example.com>", "ann|example.com|Ann|ann@example.com|Ann <ann@example.com>"},
      {"ann@", "ann|(nil)|(nil)|ann@|ann"},
      {"@example.com", "(nil)|example.com|(nil)|@example.com|@example.com"},
      {"no at sign", "(nil)|(nil)|(nil)|(nil)|(nil)"},
      {"J)", "(nil)|(nil)|(nil)|(nil)|(nil)"},  // not a word that can be a local part
      // bounces come from a bare local part
      {"MAILER-DAEMON", "MAILER-DAEMON|(nil)|(nil)|MAILER-DAEMON@|MAILER-DAEMON"},
      {"Postmaster (Mail Delivery)", "Postmaster|(nil)|(nil)|Postmaster@|Postmaster"},
      // a comment after the address, even one with a colon, leaves it whole
      {"First Last <user@example.com> (Sales)",
       "user|example.com|First Last|user@example.com|First Last <user@example.com>"},
      {"user@example.com (Sales: EMEA)",
       "user|example.com|(nil)|user@example.com|user@example.com (Sales: EMEA)"},
      // the ">" was forgotten, or the "<"
      {"Ann <ann@example.com", "ann|example.com|Ann|ann@example.com|Ann <ann@example.com>"},
      {"test1@local>", "test1|local|(nil)|test1@local|test1@local"},
      {"test1@local> (Sales)", "test1|local|(nil)|test1@local|test1@local"},
      {"Joe <@relay.example.org:joe@example.com>",
       "joe|example.com|Joe|joe@example.com|Joe <@relay.example.org:joe@example.com>"},
      // parts of blanks only are nothing (one once read before a long text)
      {"aperson@" + blanks, "aperson|(nil)|(nil)|aperson@|aperson"},
      {blanks + "@" + blanks, "(nil)|(nil)|(nil)|(nil)|(nil)"},
      {"Label <aperson@ >", "aperson|(nil)|Label|aperson@|Label <aperson@ >"},
      {"Label <  @  >", "(nil)|(nil)|Label|(nil)|Label <  @  >"},
      {"  a  person  @  example .org  ",
       "aperson|example.org|(nil)|aperson@example.org|a  person@example .org"},
      {"a@exam\0ple.com"s, "a|exam|(nil)|a@exam|a@exam"},  // a NUL ends the text
  };
  const auto described = [&](const emu::Obj& mailbox) {
    if (mailbox.isNil()) return std::string("no mailbox");
    std::string seen = shown(mailbox, "Mailbox");
    for (const char* name : {"Domain", "Label", "Email", "StringValue"}) {
      seen += "|" + shown(mailbox, name);
    }
    return seen;
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(described(parsed("MimeMailboxZQV", text)), expected);
    const bool hasLocalPart = expected.compare(0, 6, "(nil)|") != 0;
    emu::Obj address = parsed("MimeAddressZQV", text);
    EXPECT_FALSE(host().get(address, "isGroup").boolean());
    EXPECT_EQ(described(host().get(address, "Mailbox").obj()),
              hasLocalPart ? expected : "no mailbox");
  }
  emu::Obj from = host().get(headerOf(parseEmail("From: no at sign\r\n\r\n")), "from").obj();
  ASSERT_FALSE(from.isNil());
  EXPECT_EQ(count(from), 0);
  EXPECT_EQ(shown(parsed("MimeMailboxZQV", "<@relay.example.org:joe@example.com>"), "Sourceroute"),
            "@relay.example.org");
}

// Lists split only at commas outside quoted strings, comments (nested, with
// escapes) and source routes; an angle address missing its ">" ends at the
// next comma; blank elements are no addresses; a NUL ends the text. A group's
// string form keeps its colon, and every string form reads back as itself. A
// group where a mailbox list is expected gives its mailboxes instead.
TEST_F(AddressesTest, ListsSplitAtCommasBetweenAddressesOnly) {
  const std::vector<std::string> lists = {"MimeAddressListZQV", "MimeMailboxListZQV"};
  const std::vector<std::string> group = {"MimeGroupZQV"};
  const std::vector<std::string> mailboxes = {"MimeMailboxListZQV"};
  struct Case {
    const std::vector<std::string>& classNames;
    std::string text;
    int64_t count;
    std::string stringValue;
  };
  const Case cases[] = {
      {lists, "a@b.test,,c@d.test", 2, "a@b.test, c@d.test"},
      {lists, " ,a@b.test,\t, \r\n,c@d.test, ", 2, "a@b.test, c@d.test"},
      {lists, ",,,", 0, kNil},
      {lists, "\"x,,y\" <a@b.test>,,", 1, "\"x,,y\" <a@b.test>"},
      {lists, "a@x.test (Doe, J), b@y.test", 2, "a@x.test (Doe, J), b@y.test"},
      // the blanks after a comma are no part of the next name
      {lists, "a@x.test,\t\"Doe, J\" <j@y.test>", 2, "a@x.test, \"Doe, J\" <j@y.test>"},
      {lists, "x@y.test (a (b, c) \\), d), e@f.test", 2,
       "x@y.test (a (b, c) \\), d), e@f.test"},
      {lists, "b@y.test, <@r1.test,@r2.test:c@z.test>, e@f.test", 3,
       "b@y.test, <@r1.test,@r2.test:c@z.test>, e@f.test"},
      {lists, "\"a\\\", b\" <c@d.test>, f@g.test", 2, "\"a\\\", b\" <c@d.test>, f@g.test"},
      {lists, "Joe <j@x.test, k@y.test", 2, "Joe <j@x.test>, k@y.test"},
      {lists, "a@example.com\0, b@example.com"s, 1, "a@example.com"},
      {group, "undisclosed-recipients:;", 0, "undisclosed-recipients:;"},
      {group, "Team: a@b.test, Postmaster,\"Doe, J\" <j@b.test> (x);", 3,
       "Team: a@b.test, Postmaster, \"Doe, J\" <j@b.test>;"},
      {mailboxes, "Team: a@b.test, \"Doe, J\" <j@b.test>;", 2, "a@b.test, \"Doe, J\" <j@b.test>"},
      {mailboxes, "x@y.test, Team: a@b.test, c@d.test;", 3, "x@y.test, a@b.test, c@d.test"},
      {mailboxes, "Team: a@b.test, c@d.test", 2, "a@b.test, c@d.test"},
      {mailboxes, "undisclosed-recipients:;, x@y.test", 1, "x@y.test"},
  };
  for (const Case& c : cases) {
    for (const std::string& className : c.classNames) {
      SCOPED_TRACE(className + " " + c.text);
      const emu::Obj list = parsed(className, c.text);
      EXPECT_EQ(count(list), c.count);
      EXPECT_EQ(shown(list, "StringValue"), c.stringValue);
      if (c.stringValue == kNil) continue;
      EXPECT_EQ(shown(parsed(className, c.stringValue), "StringValue"), c.stringValue);
    }
  }
}

}  // namespace
