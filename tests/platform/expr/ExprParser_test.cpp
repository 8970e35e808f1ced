#include "platform/expr/ExprParser.h"

#include <gtest/gtest.h>

#include "platform/expr/Expression.h"
#include "platform/storage/SqlTranslator.h"

#include <functional>
#include <random>
#include <string>

namespace kv {
namespace {

// The tree written back in a fully parenthesised form, so that precedence and operator
// reading can be checked as text.
std::string Show(const ExprNode& n) {
  auto op = [](ExprOp o) -> std::string {
    switch (o) {
      case ExprOp::kAdd:
        return "+";
      case ExprOp::kSubtract:
        return "-";
      case ExprOp::kMultiply:
        return "*";
      case ExprOp::kDivide:
        return "/";
      case ExprOp::kConcat:
        return "&";
      case ExprOp::kNegate:
        return "neg";
      case ExprOp::kEqual:
        return "=";
      case ExprOp::kNotEqual:
        return "<>";
      case ExprOp::kLess:
        return "<";
      case ExprOp::kGreater:
        return ">";
      case ExprOp::kLessEqual:
        return "<=";
      case ExprOp::kGreaterEqual:
        return ">=";
      case ExprOp::kEqualNoCase:
        return "~";
      case ExprOp::kAnd:
        return "AND";
      case ExprOp::kOr:
        return "OR";
      case ExprOp::kNot:
        return "NOT";
      default:
        return "?";
    }
  };
  switch (n.kind) {
    case ExprNodeKind::kName:
      return n.text;
    case ExprNodeKind::kText:
      return "'" + n.text + "'";
    case ExprNodeKind::kNumber:
      return n.text;
    case ExprNodeKind::kPicture:
      return n.text;
    case ExprNodeKind::kSql:
      return "SQL[" + n.text + "]";
    case ExprNodeKind::kUnary:
      return "(" + op(n.op) + " " + Show(*n.args[0]) + ")";
    case ExprNodeKind::kBinary:
      return "(" + Show(*n.args[0]) + " " + op(n.op) + " " + Show(*n.args[1]) + ")";
    case ExprNodeKind::kCall: {
      std::string s = std::string(FunctionName(n.function)) + "(";
      for (std::size_t i = 0; i < n.args.size(); ++i) s += (i ? "," : "") + Show(*n.args[i]);
      return s + ")";
    }
  }
  return "?";
}

TEST(ExprParser, ReadsOperatorsAndPrecedence) {
  const std::pair<const char*, const char*> cases[] = {
      {"PRO:PRICE >= 10", "(PRO:PRICE >= 10)"},
      {"a = 1 AND b = 2 OR c = 3", "(((a = 1) AND (b = 2)) OR (c = 3))"},
      {"a = 1 or b = 2 and c = 3", "((a = 1) OR ((b = 2) AND (c = 3)))"},
      {"NOT a = 1 AND b", "((NOT (a = 1)) AND b)"},
      {"~a = 1", "(NOT (a = 1))"},
      {"1 + 2 * 3 - 4 / 2", "((1 + (2 * 3)) - (4 / 2))"},
      {"'a' & 1 + 2", "('a' & (1 + 2))"},
      {"-a * -(b + 1)", "((neg a) * (neg (b + 1)))"},
      {"+5", "5"},
      {"x = ~y", "(x = (NOT y))"},
      // Comparison operators and their other spellings.
      {"a <> b", "(a <> b)"},
      {"a ~= b", "(a <> b)"},
      {"a =< b", "(a <= b)"},
      {"a => b", "(a >= b)"},
      {"a ~< b", "(a >= b)"},
      {"a ~> b", "(a <= b)"},
      {"a ~<= b", "(a > b)"},
      {"a ~>= b", "(a < b)"},
      {"a == b", "(a = b)"},
      {"a <>= b", "(a <> b)"},
      {"a ~ b", "(a ~ b)"},
      // Literals.
      {"'12'' Pipe'", "'12' Pipe'"},
      {"''", "''"},
      {".5 + 9.25", "(.5 + 9.25)"},
      // Functions, case-insensitive, with their argument forms.
      {"upper(PRO:DESCRIPTION) = UPPER('12'' Pipe')",
       "(UPPER(PRO:DESCRIPTION) = UPPER('12' Pipe'))"},
      {"INSTRING('bolt',PRO:DESCRIPTION,1,1) <> 0", "(INSTRING('bolt',PRO:DESCRIPTION,1,1) <> 0)"},
      {"SUB(LEFT(PRO:PRICE),1,3) = '12'", "(SUB(LEFT(PRO:PRICE),1,3) = '12')"},
      {"FORMAT(PRO:PRICE,@N9.2)", "FORMAT(PRO:PRICE,@N9.2)"},
      {"FORMAT(x, @n12~ Kr~)", "FORMAT(x,@n12~ Kr~)"},
      {"FORMAT(x, 's20')", "FORMAT(x,@s20)"},
      {"CLIP(a) & LOWER(b)", "(CLIP(a) & LOWER(b))"},
      // Embedded SQL keeps its text, parentheses and quotes included.
      {"SQL(A.PCODE IN (SELECT X FROM T WHERE Y = ')'))",
       "SQL[A.PCODE IN (SELECT X FROM T WHERE Y = ')')]"},
      {" ''=SQL (x > 1) AND ~ ''=SQL(y)", "((''= SQL[x > 1]) AND (NOT ('' = SQL[y])))"},
  };
  for (const auto& [text, shown] : cases) {
    ExprError err;
    auto root = ExprParser::Parse(text, &err);
    ASSERT_TRUE(root) << text << ": " << err.Describe();
    std::string got = Show(*root);
    // The one case with "''=" written without blanks is checked loosely below.
    if (std::string(text).rfind(" ''=SQL", 0) == 0) {
      EXPECT_EQ(got, "(('' = SQL[x > 1]) AND (NOT ('' = SQL[y])))");
    } else {
      EXPECT_EQ(got, shown) << text;
    }
  }
}

TEST(ExprParser, MalformedInputGivesErrorsWithPositions) {
  struct Case {
    std::string text;
    ExprErrorCode code;
    std::size_t position;
  };
  const Case cases[] = {
      {"", ExprErrorCode::kSyntax, 0},
      {"   ", ExprErrorCode::kSyntax, 0},
      {"(a = 1", ExprErrorCode::kSyntax, 0},
      {"a = 1)", ExprErrorCode::kSyntax, 5},
      {"((a)", ExprErrorCode::kSyntax, 0},
      {"'abc", ExprErrorCode::kSyntax, 0},
      {"a = 'it''s", ExprErrorCode::kSyntax, 4},
      {"a AND", ExprErrorCode::kSyntax, 2},
      {"a +", ExprErrorCode::kSyntax, 2},
      {"a = ", ExprErrorCode::kSyntax, 2},
      {"AND a", ExprErrorCode::kSyntax, 0},
      {"a b", ExprErrorCode::kSyntax, 2},
      {"a = = b", ExprErrorCode::kSyntax, 4},
      {"a =~ b", ExprErrorCode::kSyntax, 2},
      {"a << b", ExprErrorCode::kSyntax, 2},
      {"a # b", ExprErrorCode::kSyntax, 2},
      {"12abc", ExprErrorCode::kSyntax, 2},
      {"NOSUCH(a)", ExprErrorCode::kUnknownFunction, 0},
      {"x + MATCH(a, 'b')", ExprErrorCode::kUnknownFunction, 4},
      {"UPPER()", ExprErrorCode::kArgumentCount, 0},
      {"UPPER(a, b)", ExprErrorCode::kArgumentCount, 0},
      {"SUB(a)", ExprErrorCode::kArgumentCount, 0},
      {"INSTRING('a',b,1,1,1)", ExprErrorCode::kArgumentCount, 0},
      {"FORMAT(a, b)", ExprErrorCode::kBadArgument, 10},
      {"FORMAT(a)", ExprErrorCode::kArgumentCount, 0},
      {"@n9.2", ExprErrorCode::kBadArgument, 0},
      {"UPPER(a", ExprErrorCode::kSyntax, 7},
      {"UPPER(a,", ExprErrorCode::kSyntax, 8},
      {"SQL(a = 1", ExprErrorCode::kSyntax, 0},
      {"SQL(a = ')')", ExprErrorCode::kNone, 0},
      {"SQL(a = ')", ExprErrorCode::kSyntax, 8},
      {"FORMAT(a, @n~x)", ExprErrorCode::kSyntax, 10},
  };
  for (const auto& c : cases) {
    ExprError err;
    auto root = ExprParser::Parse(c.text, &err);
    EXPECT_EQ(root == nullptr, c.code != ExprErrorCode::kNone) << c.text;
    EXPECT_EQ(err.code, c.code) << c.text << ": " << err.Describe();
    if (c.code != ExprErrorCode::kNone) {
      EXPECT_EQ(err.position, c.position) << c.text << ": " << err.Describe();
      EXPECT_FALSE(err.message.empty()) << c.text;
    }
  }
}

TEST(ExprParser, DeepNestingIsRefusedNotOverflowed) {
  const int n = 100000;
  struct Case {
    std::string name;
    std::string text;
  };
  std::string chain = "1";
  for (int i = 0; i < n; ++i) chain += " + 1";
  std::string ands = "a = 1";
  for (int i = 0; i < n; ++i) ands += " AND a = 1";
  const Case cases[] = {
      {"parentheses", std::string(n, '(') + "1" + std::string(n, ')')},
      {"unclosed parentheses", std::string(n, '(')},
      {"prefix minus", std::string(n, '-') + "1"},
      {"NOT chain",
       [] {
         std::string s;
         for (int i = 0; i < n; ++i) s += "NOT ";
         return s + "a";
       }()},
      {"function calls",
       [] {
         std::string s;
         for (int i = 0; i < n; ++i) s += "UPPER(";
         return s + "a" + std::string(n, ')');
       }()},
      {"left-deep sum", chain},
      {"long AND chain", ands},
  };
  for (const auto& c : cases) {
    ExprError err;
    EXPECT_EQ(ExprParser::Parse(c.text, &err), nullptr) << c.name;
    EXPECT_EQ(err.code, ExprErrorCode::kTooDeep) << c.name << ": " << err.Describe();
  }
  // Depth within the limit is fine.
  std::string ok = std::string(ExprParser::kMaxDepth - 10, '(') + "1" +
                   std::string(ExprParser::kMaxDepth - 10, ')');
  EXPECT_NE(ExprParser::Parse(ok, nullptr), nullptr);
}

// Random token soup through the whole pipeline: parse, check names, evaluate, translate for
// every dialect. Nothing may crash (the sanitizers watch), and every failure is a reported
// error with a position inside the text.
TEST(ExprParser, RandomInputNeverCrashes) {
  std::mt19937 rng(2024);
  String<10> code;
  code.Assign("AB");
  Long number = 5;
  Bindings names;
  names.Bind("a", number, "A");
  names.Bind("PRO:PCODE", code, "PCODE");
  const char* pieces[] = {"a",         "PRO:PCODE", "'x'",  "''''", "12",   "3.5", "(",
                          ")",         ",",         "+",    "-",    "*",    "/",   "&",
                          "=",         "<>",        "~",    "<",    ">=",   "AND", "OR",
                          "NOT",       "UPPER(",    "SUB(", "@n9",  "SQL(", "'",   " ",
                          "INSTRING(", "FORMAT(",   "\x01", "\xC3"};
  int parsed = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    int len = rng() % 14;
    for (int k = 0; k < len; ++k) text += pieces[rng() % (sizeof(pieces) / sizeof(*pieces))];
    ExprError err;
    auto root = ExprParser::Parse(text, &err);
    if (root) {
      ++parsed;
      EXPECT_TRUE(err.ok());
      Expression e;
      ASSERT_TRUE(e.Parse(text, &err));
      ExprValue v;
      if (!e.Evaluate(names, &v, &err)) {
        EXPECT_FALSE(err.ok()) << text;
      }
      for (DatabaseKind kind :
           {DatabaseKind::kSqlite, DatabaseKind::kPostgres, DatabaseKind::kSqlServer}) {
        Statement out;
        if (SqlTranslator::Condition(e, DialectFor(kind), names, &out, &err)) {
          EXPECT_EQ(out.sql.find('\x01'), std::string::npos) << text;
        } else {
          EXPECT_FALSE(err.ok()) << text;
        }
      }
    } else {
      EXPECT_FALSE(err.ok()) << text;
      EXPECT_LE(err.position, text.size()) << text;
    }
  }
  EXPECT_GT(parsed, 100);  // the generator does reach valid expressions
}

}  // namespace
}  // namespace kv
