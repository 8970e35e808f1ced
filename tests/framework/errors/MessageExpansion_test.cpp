#include <gtest/gtest.h>

#include <string>

#include "framework/errors/MessageText.h"
#include "tests/framework/errors/ScriptedModal.h"

namespace kv {
namespace {

using testing::ErrorManagerTest;

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

// The values one case puts into the thread's status before expanding.
struct Values {
  std::string file{}, field{}, key{}, message{};
  int code = 0;
  std::string errorText{}, driverCode{}, driverText{};
};

struct ExpansionCase {
  const char* name;
  Values values;
  const char* text;
  const char* expected;
};

class MessageExpansion : public ErrorManagerTest {
 protected:
  std::string Expand(const Values& v, const std::string& text) {
    texts_.push_back(text);  // rows refer to their text, which must outlive them
    EXPECT_TRUE(errors.AddMessage(900, texts_.back(), Notify, "Title"));
    errors.SetFileName(v.file);
    errors.SetFieldName(v.field);
    errors.SetKeyName(v.key);
    errors.SetMessageText(v.message);
    SetLastError(v.code, v.errorText, v.driverCode, v.driverText);
    errors.CaptureRuntimeError();
    errors.SelectMessage(900);
    return errors.ExpandMessageText();
  }
  std::deque<std::string> texts_;
};

TEST_F(MessageExpansion, TokensAreReplacedInTheirFixedOrder) {
  const Values all{"PRODUCTS", "PRO:PCODE",     "PRO:KEYCODE", "free text",
                   5,          "Access Denied", "42S02",       "no such table"};
  const ExpansionCase cases[] = {
      {"every token", all,
       "%FileErrorCode|%FileError|%File|%Key|%ErrorCode|%ErrorText|%Error|%Message|%Field",
       "42S02|no such table|PRODUCTS|PRO:KEYCODE|5|Access Denied (5)|Access Denied|free "
       "text|PRO:PCODE"},
      {"any letter case", all, "%file %KEY %fIeLd %MESSAGE %errortext",
       "PRODUCTS PRO:KEYCODE PRO:PCODE free text Access Denied (5)"},
      {"longer tokens before their prefixes", all, "%FileErrorCodeX %FileErrorX %FileX",
       "42S02X no such tableX PRODUCTSX"},
      {"a file name holding %Key gets the key name", {"Prod%Key", "", "K1"}, "[%File]", "[ProdK1]"},
      {"a file name holding %Field gets the field name", {"a%FIELDb", "PCODE"}, "%File", "aPCODEb"},
      {"a key name holding %File keeps it: %File came first",
       {"F", "", "k%Filek"},
       "%Key",
       "k%Filek"},
      {"a field name equal to its token leaves the text alone",
       {"", "%FIELD"},
       "Value of %Field here",
       "Value of %Field here"},
      {"a value holding its own token is inserted once",
       {"", "x%Fieldy"},
       "A %Field B %field",
       "A x%Fieldy B x%Fieldy"},
      {"driver error 90 shows the driver's text and code",
       {"", "", "", "", 90, "Driver error", "08S01", "link lost"},
       "(%ErrorText)",
       "(link lost (08S01))"},
      {"driver error 100 likewise",
       {"", "", "", "", 100, "x", "7", "driver says"},
       "%ErrorText",
       "driver says (7)"},
      {"code 5 shows the runtime's text and code",
       {"", "", "", "", 5, "Access Denied", "9", "d"},
       "%ErrorText",
       "Access Denied (5)"},
      {"negative codes in decimal", {"", "", "", "", -3, "odd"}, "%ErrorCode", "-3"},
      {"no tokens", all, "plain 100% text", "plain 100% text"},
      {"a built-in row's category is empty, not the default", all, "[%Category]", "[]"},
  };
  for (const ExpansionCase& c : cases) {
    EXPECT_EQ(Expand(c.values, c.text), c.expected) << c.name;
  }
}

TEST_F(MessageExpansion, ProcedureAndCategoryComeFromTheManager) {
  errors.PushProcedureName("BrowseArticulos   ");
  EXPECT_EQ(Expand({}, "in %Procedure"), "in BrowseArticulos");
  errors.PushProcedureName("UpdateProducts");
  EXPECT_EQ(Expand({}, "in %PROCEDURE"), "in UpdateProducts");
  errors.PopProcedureName();
  errors.PopProcedureName();
  EXPECT_EQ(Expand({}, "in [%Procedure]"), "in []");

  texts_.push_back("cat %Category");
  ASSERT_TRUE(errors.AddMessage(901, texts_.back(), Notify, "T", "Storage"));
  errors.SelectMessage(901);
  EXPECT_EQ(errors.ExpandMessageText(), "cat Storage");
}

TEST_F(MessageExpansion, PreviousIsReplacedOnlyWhenSpeltExactly) {
  errors.SelectMessage(MsgNoRecords);
  EXPECT_EQ(Expand({}, "before: %Previous"), "before: There are no records available to process.");
  // The previous message is now row 900 itself; lower case is left as written.
  EXPECT_EQ(Expand({}, "before: %previous"), "before: %previous");
  // Once "%Previous" is present, its other spellings go too.
  errors.SelectMessage(MsgNoRecords);
  EXPECT_EQ(Expand({}, "%Previous/%PREVIOUS").size(),
            2 * std::string("There are no records available to process.").size() + 1);
  // The previous text is inserted unexpanded.
  errors.SelectMessage(MsgOpenFailed);
  EXPECT_EQ(Expand({"PRODUCTS"}, "%Previous"),
            "File %File could not be opened.  Error: %ErrorText.");
  // After an unknown identifier the previous one is 0, which has no row.
  errors.SelectMessage(4242);
  EXPECT_EQ(Expand({}, "[%Previous]"), "[]");
}

TEST_F(MessageExpansion, ExpandedTextIsCutAt1999BytesAfterEachReplacement) {
  // Each %Message is 254 bytes; ten of them make 2540 bytes, cut to 1999.
  std::string message(254, 'm');
  std::string text;
  for (int i = 0; i < 10; ++i) text += "%Message";
  std::string out = Expand({"", "", "", message}, text);
  EXPECT_EQ(out.size(), kExpandedTextLimit);
  EXPECT_EQ(out, std::string(kExpandedTextLimit, 'm'));

  // Two-byte characters: the cut never splits one.
  std::string wide;
  for (int i = 0; i < 127; ++i) wide += "\xC3\xA9";  // 254 bytes
  out = Expand({"", "", "", "x" + wide.substr(0, 252)}, text);
  EXPECT_LE(out.size(), kExpandedTextLimit);
  EXPECT_GE(out.size(), kExpandedTextLimit - 1);
  EXPECT_TRUE(IsValidUtf8(out));

  // Tokens cut off by the limit are not replaced afterwards: the cut happens per replacement.
  std::string tail = std::string(1990, 'a') + "%Message %File";
  out = Expand({"FILE", "", "", std::string(20, 'b')}, tail);
  EXPECT_EQ(out, std::string(1990, 'a') + std::string(9, 'b'));
}

TEST_F(MessageExpansion, NamesAreClippedAndCutAt254Bytes) {
  struct Case {
    std::string in;
    std::size_t size;
  };
  std::string wide;
  for (int i = 0; i < 200; ++i) wide += "\xC3\xA9";
  const Case cases[] = {
      {"PRODUCTS   ", 8}, {std::string(300, 'f'), 254}, {std::string(254, 'f') + "   ", 254},
      {wide, 254},        // 127 characters of two bytes
      {"a" + wide, 253},  // the 254th byte would start a character: cut before it
      {"   ", 0},
  };
  for (const Case& c : cases) {
    errors.SetFileName(c.in);
    errors.SetFieldName(c.in);
    errors.SetKeyName(c.in);
    errors.SetMessageText(c.in);
    const ErrorStatus& s = errors.Status();
    for (const std::string* v : {&s.FILENAME, &s.FIELDNAME, &s.KEYNAME, &s.MESSAGETEXT}) {
      EXPECT_EQ(v->size(), c.size) << c.in.substr(0, 20);
      EXPECT_TRUE(IsValidUtf8(*v));
      EXPECT_EQ(c.in.compare(0, v->size(), *v), 0);
    }
  }
  // The captured runtime error is clipped and cut the same way.
  SetLastError(90, std::string(300, 'e'), "08S01   ", wide);
  errors.CaptureRuntimeError();
  EXPECT_EQ(errors.Status().SAVEERROR.size(), 254u);
  EXPECT_EQ(errors.Status().SAVEFILEERRORCODE, "08S01");
  EXPECT_EQ(errors.Status().SAVEFILEERROR.size(), 254u);
}

TEST(ReplaceToken, ScansForwardAndNeverRevisitsInsertedText) {
  struct Case {
    std::string buffer, token, value;
    std::string expected;
    int count;
  };
  const Case cases[] = {
      {"%A %a %A", "%A", "x", "x x x", 3},
      {"%A", "%A", "%a", "%A", 0},            // equal ignoring case: nothing done
      {"%A%A", "%A", "%A%A", "%A%A%A%A", 2},  // each occurrence once, inserted copies not
      {"%A.", "%A", "<%A>", "<%A>.", 1},      // inserted once
      {"", "%A", "x", "", 0},
      {"%Ab", "%AB", "x", "x", 1},
      {"abc", "", "x", "abc", 0},
  };
  for (const Case& c : cases) {
    std::string buffer = c.buffer;
    int count = ReplaceToken(buffer, c.token, c.value);
    EXPECT_EQ(buffer, c.expected) << c.buffer;
    EXPECT_EQ(count, c.count) << c.buffer;
  }
}

}  // namespace
}  // namespace kv
