// The expression parser, its local evaluation and its SQL translation for the three servers.
// Properties of the translation:
// - every "?" marker of the SQL text has its bound value, and every text literal of the
//   expression travels as a bound value;
// - apart from the text of SQL(...) calls (passed through as they are) and the quoted column
//   names, the SQL text holds only the program's own SQL: no quote but the empty literal '',
//   no statement separator, no comment.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/expr/Expression.h"
#include "platform/storage/Dialect.h"
#include "platform/storage/SqlTranslator.h"
#include "platform/values/Decimal.h"
#include "platform/values/DecimalValue.h"
#include "platform/values/FixedText.h"
#include "platform/values/Numbers.h"

using kv::fuzz::Check;

namespace {

struct Record {
  kv::String<20> PCODE;
  kv::String<50> DESCRIPTION;
  kv::Decimal<11, 2> PRICE;
  kv::Long PROVIDERID = 0;
  kv::Real RATE = 0;
};

// Column names chosen to need quoting on every server.
kv::Bindings Bind(Record& r) {
  kv::Bindings b;
  b.Bind("PRO:PCODE", kv::VarRef(r.PCODE), "PCODE", "A");
  b.Bind("PRO:DESCRIPTION", kv::VarRef(r.DESCRIPTION), "de\"sc]ription");
  b.Bind("PRO:PRICE", kv::VarRef(r.PRICE), "PRICE");
  b.Bind("PRO:PROVIDERID", kv::VarRef(r.PROVIDERID), "PROVIDERID");
  b.Bind("PRO:RATE", kv::VarRef(r.RATE), "RATE");
  b.Bind("LOC:LOCAL", kv::VarRef(r.PCODE));  // no column: local evaluation only
  return b;
}

void Collect(const kv::ExprNode& n, std::vector<const kv::ExprNode*>* sql,
             std::vector<std::string>* texts) {
  if (n.kind == kv::ExprNodeKind::kSql) sql->push_back(&n);
  if (n.kind == kv::ExprNodeKind::kText) {
    std::string v = n.text;
    v.erase(v.find_last_not_of(' ') + 1);
    texts->push_back(v);
  }
  for (const auto& a : n.args) Collect(*a, sql, texts);
}

bool EraseOnce(std::string& text, std::string_view part) {
  std::size_t at = text.find(part);
  if (at == std::string::npos) return false;
  text.erase(at, part.size());
  return true;
}

void EraseAll(std::string& text, std::string_view part) {
  while (!part.empty() && EraseOnce(text, part)) {
  }
}

std::string BoundText(const kv::SqlValue& v) {
  switch (v.kind) {
    case kv::SqlValue::Kind::kInteger:
      return std::to_string(v.integer);
    case kv::SqlValue::Kind::kReal:
      return std::to_string(v.real);
    default:
      return v.text;
  }
}

void CheckTranslation(const kv::Expression& e, const kv::Dialect& dialect,
                      const kv::Statement& st) {
  std::vector<const kv::ExprNode*> sqlNodes;
  std::vector<std::string> texts;
  Collect(*e.Root(), &sqlNodes, &texts);
  std::string skeleton = st.sql;
  // Longest first, so that one SQL(...) text inside another is not taken for it.
  std::sort(sqlNodes.begin(), sqlNodes.end(), [](const kv::ExprNode* a, const kv::ExprNode* b) {
    return a->text.size() > b->text.size();
  });
  for (const kv::ExprNode* n : sqlNodes)
    Check(EraseOnce(skeleton, "(" + n->text + ")"), "SQL(...) text not passed through");
  for (const char* column : {"PCODE", "de\"sc]ription", "PRICE", "PROVIDERID", "RATE", "A"})
    EraseAll(skeleton, dialect.QuoteIdentifier(column));
  // The dialect's own case folding may write its letter lists as literals.
  for (const std::string& fold : {dialect.Upper("\x01"), dialect.Lower("\x01")})
    EraseAll(skeleton, fold.substr(fold.find('\x01') + 1));
  EraseAll(skeleton, "COLLATE \"C\"");
  EraseAll(skeleton, "''");
  std::size_t markers = 0;
  for (char c : skeleton) {
    markers += c == '?';
    Check(c != '\'' && c != '"' && c != ';' && c != '[' && c != ']' && c != '`' &&
              static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7f,
          "a character of the input in the SQL text");
  }
  Check(skeleton.find("--") == std::string::npos && skeleton.find("/*") == std::string::npos,
        "a comment in the SQL text");
  Check(markers == st.binds.size(), "markers and bound values disagree");
  for (const std::string& t : texts) {
    if (t.empty()) continue;
    // Compared with a number column, a text literal travels as that number.
    kv::DecimalValue number, boundNumber;
    const bool numeric = kv::DecimalValue::Parse(t, &number) == kv::ValueStatus::kOk;
    bool bound = false;
    for (const kv::SqlValue& v : st.binds) {
      std::string clipped = BoundText(v);
      clipped.erase(clipped.find_last_not_of(' ') + 1);
      bound =
          bound || clipped == t ||
          (numeric && kv::DecimalValue::Parse(BoundText(v), &boundNumber) == kv::ValueStatus::kOk &&
           boundNumber == number);
    }
    Check(bound, "a text literal is not a bound value");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kv::Expression e;
  kv::ExprError error;
  if (!e.Parse(text, &error)) {
    Check(error.position <= text.size() + 1, "an error position past the text");
    return 0;
  }
  Record r;
  (void)kv::VarRef(r.PCODE).SetText("AB12");
  (void)kv::VarRef(r.DESCRIPTION).SetText("\xC3\xA9t\xC3\xA9 pipe");
  (void)kv::VarRef(r.PRICE).SetText("-12.5");
  r.RATE = 1e300;
  const kv::Bindings bindings = Bind(r);
  kv::ExprValue value;
  (void)e.Evaluate(bindings, &value);
  (void)e.IsTrue(bindings);
  for (kv::DatabaseKind kind :
       {kv::DatabaseKind::kSqlite, kv::DatabaseKind::kPostgres, kv::DatabaseKind::kSqlServer}) {
    const kv::Dialect& dialect = kv::DialectFor(kind);
    kv::Statement st;
    if (kv::SqlTranslator::Condition(e, dialect, bindings, &st)) CheckTranslation(e, dialect, st);
    kv::Statement v;
    if (kv::SqlTranslator::Value(e, dialect, bindings, &v)) CheckTranslation(e, dialect, v);
  }
  return 0;
}
