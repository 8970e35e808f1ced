// Cost of the expression runtime on the paths a browse takes per record or per filter change:
// evaluating a query-by-example filter against a record buffer, parsing and translating it,
// and searching an order text with the pattern matcher.
#include <benchmark/benchmark.h>

#include "platform/expr/Expression.h"
#include "platform/expr/PatternMatcher.h"
#include "platform/storage/SqlTranslator.h"
#include "platform/values/FieldTable.h"

namespace kv {
namespace {

struct ProductRecord {
  String<20> PCODE;
  String<50> DESCRIPTION;
  Decimal<11, 2> PRICE;
  Long PROVIDERID;
};

const FieldTable& Fields() {
  static const FieldTable table = FieldTable::For<ProductRecord>({
      KV_FIELD(ProductRecord, PCODE, "PRO:PCODE"),
      KV_FIELD(ProductRecord, DESCRIPTION, "PRO:DESCRIPTION"),
      KV_FIELD(ProductRecord, PRICE, "PRO:PRICE"),
      KV_FIELD(ProductRecord, PROVIDERID, "PRO:PROVIDERID"),
  });
  return table;
}

const char kFilter[] =
    "(PRO:PRICE >= 10) AND INSTRING('BOLT',UPPER(PRO:DESCRIPTION),1,1) <> 0 AND "
    "SUB(PRO:PCODE,1,3) = 'AB-'";

void EvaluateFilter(benchmark::State& state) {
  ProductRecord rec{};
  Fields().ClearRecord(&rec);
  rec.PCODE.Assign("AB-100");
  rec.DESCRIPTION.Assign("steel bolt 10mm, zinc plated");
  (void)rec.PRICE.SetText("19.90");
  Bindings names;
  names.BindFields(Fields(), &rec);
  Expression e;
  if (!e.Parse(kFilter)) state.SkipWithError("parse failed");
  for (auto _ : state) benchmark::DoNotOptimize(e.IsTrue(names));
}
BENCHMARK(EvaluateFilter);

void ParseAndTranslate(benchmark::State& state) {
  Bindings columns;
  columns.BindColumn("PRO:PCODE", ValueType::kString, "PCODE");
  columns.BindColumn("PRO:DESCRIPTION", ValueType::kString, "DESCRIPTION");
  columns.BindColumn("PRO:PRICE", ValueType::kDecimal, "PRICE");
  const Dialect& dialect = DialectFor(DatabaseKind::kSqlServer);
  for (auto _ : state) {
    Expression e;
    Statement out;
    if (!e.Parse(kFilter) || !SqlTranslator::Condition(e, dialect, columns, &out))
      state.SkipWithError("failed");
    benchmark::DoNotOptimize(out.sql.data());
  }
}
BENCHMARK(ParseAndTranslate);

void FindSignedName(benchmark::State& state) {
  const std::string order = "+PRO:PCODE,-PRO:PROVIDERID,+UPPER(PRO:DESCRIPTION),-PRO:PRICE";
  PatternMatcher m;
  if (!m.Compile("{{{[+-]}{PRO:PRICE}[,]}|{{[+-]}{PRO:PRICE}$}}")) state.SkipWithError("compile");
  for (auto _ : state) benchmark::DoNotOptimize(m.Find(order));
}
BENCHMARK(FindSignedName);

}  // namespace
}  // namespace kv

BENCHMARK_MAIN();
