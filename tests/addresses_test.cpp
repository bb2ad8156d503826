// Addresses, mailboxes and groups from a parsed header's address fields and
// from each class's text constructor.

#include <string>
#include <vector>

#include <mimetic/rfc822/addresslist.h>
#include <mimetic/rfc822/group.h>
#include <mimetic/rfc822/mailboxlist.h>

#include "objects/address_list.h"
#include "objects/group.h"
#include "objects/mailbox_list.h"
#include "plugin_test.h"

namespace {

using namespace std::string_literals;

constexpr char kAddressAt[] = "Addresses(index as Integer) as MimeAddressZQV";
constexpr char kMailboxAt[] = "Mailboxes(index as Integer) as MimeMailboxZQV";

class AddressesTest : public PluginTest {
 protected:
  int64_t count(const emu::Obj& list) { return host().get(list, "Count").integer(); }
  emu::Obj parsed(const std::string& className, const emu::Str& text) {
    emu::Obj object = host().construct(className, kTextConstructor, {text});
    expectNoException();
    return object;
  }
  emu::Obj parsed(const std::string& className, std::string_view text) {
    return parsed(className, host().string(text));
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

  emu::Obj to = host().get(header, "too").obj();
  ASSERT_EQ(count(to), 3);
  const std::vector<std::string> emails = {"ann@example.com", "bob@example.com"};
  for (size_t index = 0; index < emails.size(); ++index) {
    emu::Obj address = host().call(to, kAddressAt, {static_cast<int64_t>(index)}).obj();
    EXPECT_TRUE(host().get(address, "Group").obj().isNil());
    EXPECT_EQ(shown(host().get(address, "Mailbox").obj(), "Email"), emails[index]);
  }
  emu::Obj friends = host().call(to, kAddressAt, {2}).obj();
  EXPECT_TRUE(host().get(friends, "isGroup").boolean());
  EXPECT_TRUE(host().get(friends, "Mailbox").obj().isNil());
  emu::Obj group = host().get(friends, "Group").obj();
  EXPECT_EQ(shown(group, "Name"), "Friends");
  ASSERT_EQ(count(group), 2);
  EXPECT_EQ(shown(host().call(group, kMailboxAt, {1}).obj(), "Email"), "dora@example.com");

  // ":;" is a group with neither name nor mailbox, so no group object.
  emu::Obj cc = host().get(header, "cc").obj();
  ASSERT_EQ(count(cc), 1);
  emu::Obj nameless = host().call(cc, kAddressAt, {0}).obj();
  EXPECT_TRUE(host().get(nameless, "isGroup").boolean());
  EXPECT_TRUE(host().get(nameless, "Group").obj().isNil());
  // Groups without their closing ";" read as if it were there.
  EXPECT_EQ(shown(host().get(header, "replyto").obj(), "StringValue"),
            "Team: erin@example.com, fred@example.com;");
  EXPECT_EQ(shown(host().get(header, "bcc").obj(), "StringValue"), "undisclosed-recipients:;");
}

TEST_F(AddressesTest, LabelsAreDecodedAndUnquotedGroupNamesOnlyDecoded) {
  struct Case {
    std::string text, raw, decoded;  // a group's text ends in ";", a mailbox's does not
  };
  const std::string juergen = "J\xC3\xBCrgen";
  const std::vector<Case> cases = {
      {"=?utf-8?q?J=C3=BCrgen?= <j@example.com>", "=?utf-8?q?J=C3=BCrgen?=", juergen},
      {"\"Doe, John\" <jd@example.com>", "\"Doe, John\"", "Doe, John"},
      {"\"=?utf-8?q?J=C3=BCrgen?=\" <j@example.com>", "\"=?utf-8?q?J=C3=BCrgen?=\"", juergen},
      {"jd@example.com", kNil, kNil},
      {"=?utf-8?q?J=C3=BCrgen?=: a@example.com;", "=?utf-8?q?J=C3=BCrgen?=", juergen},
      {"\"=?utf-8?q?J=C3=BCrgen?=\": a@example.com;", "\"=?utf-8?q?J=C3=BCrgen?=\"",
       "\"" + juergen + "\""},
      {"\"The Team\": a@example.com;", "\"The Team\"", "\"The Team\""},
  };
  for (const Case& test : cases) {
    const bool group = test.text.back() == ';';
    emu::Obj object = parsed(group ? "MimeGroupZQV" : "MimeMailboxZQV", test.text);
    EXPECT_EQ(shown(object, group ? "Name" : "Label"), test.raw) << test.text;
    EXPECT_EQ(shown(object, group ? "NameDecoded" : "LabelDecoded"), test.decoded) << test.text;
  }
  // The blanks after a list's comma are no part of the next name.
  emu::Obj list = parsed("MimeMailboxListZQV", "a@example.com,\t\"Doe, John\" <jd@example.com>");
  emu::Obj second = host().call(list, kMailboxAt, {1}).obj();
  EXPECT_EQ(shown(second, "Label"), "\"Doe, John\"");
  EXPECT_EQ(shown(second, "LabelDecoded"), "Doe, John");
  EXPECT_EQ(shown(list, "StringValue"), "a@example.com, \"Doe, John\" <jd@example.com>");
}

// A mailbox reads alike in a From field and the mailbox and address
// constructors. One without a local part is left out of the address and the
// From field (an empty list then, not nil).
TEST_F(AddressesTest, MailboxTextsReadAlikeInTheFromFieldAndTheConstructors) {
  struct Case {
    std::string text, mailbox, domain, label, email, stringValue;
  };
  const std::string blanks(40, ' ');
  const std::vector<Case> cases = {
      {"Ann <ann@example.com>", "ann", "example.com", "Ann", "ann@example.com",
       "Ann <ann@example.com>"},
      {"ann@", "ann", kNil, kNil, "ann@", "ann"},
      {"@example.com", kNil, "example.com", kNil, "@example.com", "@example.com"},
      {"no at sign", kNil, kNil, kNil, kNil, kNil},
      {"J)", kNil, kNil, kNil, kNil, kNil},  // not a word that can be a local part
      // bounces come from a bare local part
      {"MAILER-DAEMON", "MAILER-DAEMON", kNil, kNil, "MAILER-DAEMON@", "MAILER-DAEMON"},
      {"Postmaster (Mail Delivery)", "Postmaster", kNil, kNil, "Postmaster@", "Postmaster"},
      // a comment after the address, even one with a colon, leaves it whole
      {"First Last <user@example.com> (Sales)", "user", "example.com", "First Last",
       "user@example.com", "First Last <user@example.com>"},
      {"user@example.com (Sales: EMEA)", "user", "example.com", kNil, "user@example.com",
       "user@example.com (Sales: EMEA)"},
      {"Ann <ann@example.com", "ann", "example.com", "Ann", "ann@example.com",
       "Ann <ann@example.com>"},  // the ">" was forgotten
      {"test1@local>", "test1", "local", kNil, "test1@local", "test1@local"},  // or the "<"
      {"test1@local> (Sales)", "test1", "local", kNil, "test1@local", "test1@local"},
      {"Joe <@relay.example.org:joe@example.com>", "joe", "example.com", "Joe",
       "joe@example.com", "Joe <@relay.example.org:joe@example.com>"},
      // parts of blanks only are nothing (one once read before a long text)
      {"aperson@   ", "aperson", kNil, kNil, "aperson@", "aperson"},
      {"aperson@" + blanks, "aperson", kNil, kNil, "aperson@", "aperson"},
      {blanks + "@" + blanks, kNil, kNil, kNil, kNil, kNil},
      {"   @example.org", kNil, "example.org", kNil, "@example.org", "@example.org"},
      {"   @   ", kNil, kNil, kNil, kNil, kNil},
      {"Label <aperson@ >", "aperson", kNil, "Label", "aperson@", "Label <aperson@ >"},
      {"Label <  @  >", kNil, kNil, "Label", kNil, "Label <  @  >"},
      {"  a  person  @  example .org  ", "aperson", "example.org", kNil, "aperson@example.org",
       "a  person@example .org"},
  };
  const auto described = [&](const emu::Obj& mailbox) {
    if (mailbox.isNil()) return std::string("no mailbox");
    std::string seen;
    for (const char* name : {"Mailbox", "Domain", "Label", "Email", "StringValue"}) {
      seen += shown(mailbox, name) + "|";
    }
    return seen;
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.text);
    const std::string expected =
        test.mailbox + "|" + test.domain + "|" + test.label + "|" + test.email + "|" +
        test.stringValue + "|";
    EXPECT_EQ(described(parsed("MimeMailboxZQV", test.text)), expected);

    const std::string inList = test.mailbox == kNil ? "no mailbox" : expected;
    emu::Obj address = parsed("MimeAddressZQV", test.text);
    EXPECT_FALSE(host().get(address, "isGroup").boolean());
    EXPECT_EQ(described(host().get(address, "Mailbox").obj()), inList);
    emu::Obj email = parseEmail("From: " + test.text + "\r\n\r\nbody\r\n");
    emu::Obj from = host().get(headerOf(email), "from").obj();
    ASSERT_FALSE(from.isNil());
    EXPECT_EQ(count(from), test.mailbox == kNil ? 0 : 1);
    EXPECT_EQ(described(count(from) ? host().call(from, kMailboxAt, {0}).obj() : emu::Obj()),
              inList);
  }
  EXPECT_EQ(shown(parsed("MimeMailboxZQV", "<@relay.example.org:joe@example.com>"), "Sourceroute"),
            "@relay.example.org");
}

// A group's string form reads back as the same group, colon and all.
TEST_F(AddressesTest, GroupStringValueKeepsItsColon) {
  struct Case {
    std::string text, stringValue;
    int64_t count;
  };
  const std::vector<Case> cases = {
      {"Grp: a@b.test;", "Grp: a@b.test;", 1},
      {"undisclosed-recipients:;", "undisclosed-recipients:;", 0},
      {"Team: a@b.test, Postmaster,\"Doe, J\" <j@b.test> (x);",
       "Team: a@b.test, Postmaster, \"Doe, J\" <j@b.test>;", 3},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.text);
    emu::Obj group = parsed("MimeGroupZQV", test.text);
    EXPECT_EQ(shown(group, "StringValue"), test.stringValue);
    EXPECT_EQ(count(group), test.count);
    EXPECT_EQ(shown(parsed("MimeGroupZQV", test.stringValue), "StringValue"), test.stringValue);
  }
}

// A group where a mailbox list is expected gives its mailboxes instead.
TEST_F(AddressesTest, MailboxListsTakeTheMailboxesOfGroups) {
  struct Case {
    const char* text;
    const char* emails;
  };
  const Case cases[] = {
      {"Team: a@b.test, \"Doe, J\" <j@b.test>;", "a@b.test|j@b.test|"},
      {"x@y.test, Team: a@b.test, c@d.test;", "x@y.test|a@b.test|c@d.test|"},
      {"Team: a@b.test, c@d.test", "a@b.test|c@d.test|"},
      {"undisclosed-recipients:;, x@y.test", "x@y.test|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const emu::Obj header =
        headerOf(parseEmail("From: "s + c.text + "\r\n\r\nbody\r\n"));
    const emu::Obj lists[] = {host().get(header, "from").obj(), parsed("MimeMailboxListZQV", c.text)};
    for (const emu::Obj& list : lists) {
      std::string emails;
      for (int64_t index = 0; index < count(list); ++index) {
        emails += shown(host().call(list, kMailboxAt, {index}).obj(), "Email") + "|";
      }
      EXPECT_EQ(emails, c.emails);
    }
  }
}

TEST_F(AddressesTest, ConstructorsAlwaysGiveAnObjectAndStopAtNul) {
  for (const emu::Str& text : {emu::Str(), host().string("")}) {
    for (const char* className : {"MimeAddressListZQV", "MimeMailboxListZQV", "MimeGroupZQV"}) {
      emu::Obj list = parsed(className, text);
      ASSERT_FALSE(list.isNil()) << className;
      EXPECT_EQ(count(list), 0) << className;
    }
    emu::Obj mailbox = parsed("MimeMailboxZQV", text);
    EXPECT_EQ(shown(mailbox, "Email"), kNil);
    emu::Obj address = parsed("MimeAddressZQV", text);
    EXPECT_FALSE(host().get(address, "isGroup").boolean());
    EXPECT_TRUE(host().get(address, "Mailbox").obj().isNil());
  }

  const std::string withNul = "a@example.com\0, b@example.com"s;
  EXPECT_EQ(count(parsed("MimeAddressListZQV", withNul)), 1);
  EXPECT_EQ(count(parsed("MimeMailboxListZQV", withNul)), 1);
  EXPECT_EQ(shown(parsed("MimeMailboxZQV", "a@exam\0ple.com"s), "Domain"), "exam");
}

// Lists split only at commas outside quoted strings, comments (nested, with
// escapes) and source routes; an angle address missing its ">" ends at the
// next comma; blank elements are no addresses.
TEST_F(AddressesTest, ListsSplitAtCommasBetweenAddressesOnly) {
  struct Case {
    const char* text;
    int64_t count;
    const char* stringValue;
  };
  const Case cases[] = {
      {"a@b.test,,c@d.test", 2, "a@b.test, c@d.test"},
      {" ,a@b.test,\t, \r\n,c@d.test, ", 2, "a@b.test, c@d.test"},
      {",,,", 0, kNil},
      {"\"x,,y\" <a@b.test>,,", 1, "\"x,,y\" <a@b.test>"},
      {"a@x.test (Doe, J), b@y.test", 2, "a@x.test (Doe, J), b@y.test"},
      {"x@y.test (a (b, c) \\), d), e@f.test", 2, "x@y.test (a (b, c) \\), d), e@f.test"},
      {"b@y.test, <@r1.test,@r2.test:c@z.test>, e@f.test", 3,
       "b@y.test, <@r1.test,@r2.test:c@z.test>, e@f.test"},
      {"\"a\\\", b\" <c@d.test>, f@g.test", 2, "\"a\\\", b\" <c@d.test>, f@g.test"},
      {"Joe <j@x.test, k@y.test", 2, "Joe <j@x.test>, k@y.test"},
  };
  for (const Case& c : cases) {
    for (const char* className : {"MimeAddressListZQV", "MimeMailboxListZQV"}) {
      SCOPED_TRACE(std::string(className) + " " + c.text);
      const emu::Obj list = parsed(className, c.text);
      EXPECT_EQ(count(list), c.count);
      EXPECT_EQ(shown(list, "StringValue"), c.stringValue);
    }
  }
}

TEST_F(AddressesTest, MailboxesTheHostCannotMakeAreLeftOut) {
  host().refuseInstances("MimeMailboxZQV", true);
  EXPECT_EQ(count(parsed("MimeMailboxListZQV", "a@example.com, b@example.com")), 0);
  emu::Obj address = parsed("MimeAddressZQV", "a@example.com");
  EXPECT_TRUE(host().get(address, "Mailbox").obj().isNil());

  host().refuseInstances("MimeAddressListZQV", true);
  emu::Obj email = parseEmail("To: a@example.com\r\n\r\n");
  EXPECT_TRUE(host().get(headerOf(email), "too").obj().isNil());
}

using AddressesBuilderTest = InProcessTest;

// Empty lists never come from the parser, but can reach the builders.
TEST_F(AddressesBuilderTest, EmptyValuesGiveNil) {
  EXPECT_EQ(NewMailboxListObject(mimetic::MailboxList()).get(), nullptr);
  EXPECT_EQ(NewAddressListObject(mimetic::AddressList()).get(), nullptr);
  mimetic::Group namedOnly;
  namedOnly.name("Team");
  EXPECT_NE(NewGroupObject(namedOnly).get(), nullptr);
}

}  // namespace
