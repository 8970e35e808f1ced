#include "platform/storage/View.h"

#include <algorithm>
#include <optional>

#include "platform/expr/OrderText.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/LastError.h"
#include "platform/storage/RecordPosition.h"
#include "platform/storage/SqlTranslator.h"

namespace kv {

namespace {

ValueType TypeOf(const ColumnDesc& c) {
  switch (c.type) {
    case ColumnType::kText:
      return ValueType::kString;
    case ColumnType::kInteger:
      return ValueType::kLong;
    case ColumnType::kDecimal:
      return ValueType::kDecimal;
    case ColumnType::kReal:
      return ValueType::kReal;
  }
  return ValueType::kString;
}

// The bound column a term reads, directly or folded (UPPER/LOWER of it): such a term may hold
// NULL only when the column may.
const ExprNode* ColumnOf(const ExprNode& n) {
  if (n.kind == ExprNodeKind::kName) return &n;
  if (n.kind == ExprNodeKind::kCall && n.args.size() == 1 &&
      (n.function == ExprFunction::kUpper || n.function == ExprFunction::kLower) &&
      n.args[0]->kind == ExprNodeKind::kName)
    return n.args[0].get();
  return nullptr;
}

bool IsTextExpression(const ExprNode& n) {
  if (n.kind == ExprNodeKind::kText) return true;
  if (n.kind == ExprNodeKind::kCall)
    return n.function != ExprFunction::kInstring;  // every other function gives text
  return n.kind == ExprNodeKind::kBinary && n.op == ExprOp::kConcat;
}

ErrorCode Fail(ErrorCode code, std::string why) {
  return ReportStorageError(StorageError::Of(code, "", std::move(why)));
}

}  // namespace

View::View(Table& primary) {
  files_.push_back({&primary, -1, 0, {}, false});
}

View::~View() = default;

int View::AddJoin(Table& related, int relatedKey, std::vector<int> parentFields, int parent,
                  bool inner) {
  if (open_ || parent < 0 || parent >= FileCount()) return -1;
  const std::vector<KeyDecl>& keys = related.Decl().Keys();
  if (relatedKey < 1 || relatedKey > int(keys.size())) return -1;
  const KeyDecl& key = keys[size_t(relatedKey - 1)];
  if (parentFields.size() > key.components.size()) return -1;
  ViewFile f{&related, parent, relatedKey, {}, inner};
  const int parentFieldCount = files_[size_t(parent)].table->Decl().Layout().FieldCount();
  for (size_t i = 0; i < parentFields.size(); ++i) {
    if (parentFields[i] < 0 || parentFields[i] >= parentFieldCount) return -1;
    f.on.push_back({parentFields[i], key.components[i].field});
  }
  files_.push_back(std::move(f));
  return FileCount() - 1;
}

std::vector<View::FieldRef> View::Fields() const {
  std::vector<FieldRef> out;
  for (int i = 0; i < FileCount(); ++i)
    for (int f = 0; f < File(i).Decl().Layout().FieldCount(); ++f) out.push_back({i, f});
  return out;
}

std::string View::FieldLabel(FieldRef ref) const {
  if (ref.file < 0 || ref.file >= FileCount()) return {};
  const RecordLayout& layout = File(ref.file).Decl().Layout();
  if (ref.field < 0 || ref.field >= layout.FieldCount()) return {};
  return layout.Column(ref.field).label;
}

void View::BindNames() {
  for (int i = 0; i < FileCount(); ++i) {
    Table& t = File(i);
    const TableShape* shape = t.ViewShape();
    const auto* fields = dynamic_cast<const FieldTableLayout*>(&t.Decl().Layout());
    std::string alias = "t" + std::to_string(i);
    for (int f = 0; f < t.Decl().Layout().FieldCount(); ++f) {
      const ColumnDesc& c = shape->columns[size_t(f)];
      if (fields)
        names_.Bind(c.label, fields->Fields().Ref(t.Record(), f + 1), c.name, alias);
      else
        names_.BindColumn(c.label, TypeOf(c), c.name, alias);
    }
  }
}

ErrorCode View::Open(int) {
  if (open_) return Fail(kAlreadyOpenError, "the view is open");
  Table& primary = File(0);
  std::vector<ViewFileShape> shapes;
  for (int i = 0; i < FileCount(); ++i) {
    Table& t = File(i);
    if (!t.IsOpen()) return Fail(kNotOpenError, t.Decl().Label() + " is not open");
    if (!t.ViewShape() || !t.ViewDialect())
      return Fail(kDriverError, t.Decl().Label() + ": its driver has no views");
    if (t.ViewOwner() != primary.ViewOwner())
      return Fail(kDriverError, t.Decl().Label() + " is in another database than the primary");
    const ViewFile& vf = files_[size_t(i)];
    shapes.push_back({t.ViewShape(), "t" + std::to_string(i), vf.parent, vf.on, vf.inner});
  }
  dialect_ = primary.ViewDialect();
  query_ = std::make_unique<ViewQuery>(*dialect_, std::move(shapes));
  SqlBuilder builder(*primary.ViewShape(), *dialect_);
  identity_.clear();
  for (const OrderPart& p : builder.Order(0)) identity_.push_back(p.field);
  BindNames();
  ErrorCode e = Prepare();
  if (e != kNoError) {
    query_.reset();
    return e;
  }
  open_ = true;
  statements_ = 0;
  (void)SetStart(0);
  return ReportSuccess();
}

ErrorCode View::Close() {
  if (!open_) return Fail(kNotOpenError, "the view is not open");
  open_ = false;
  query_.reset();
  rows_.clear();
  pos_ = -1;
  anchor_.clear();
  return ReportSuccess();
}

ErrorCode View::Prepare() {
  ErrorCode e = PrepareOrder(orderText_);
  if (e == kNoError) e = PrepareFilter(filterText_);
  return e;
}

ErrorCode View::PrepareOrder(const std::string& text) {
  std::vector<OrderComponent> parts;
  ExprError err;
  if (!ParseOrderText(text, &parts, &err))
    return Fail(kDriverError, "order \"" + text + "\": " + err.message);
  std::vector<OrderTerm> order;
  std::vector<Expression> exprs;
  for (OrderComponent& c : parts) {
    Statement sql;
    if (!SqlTranslator::Value(c.expression, *dialect_, names_, &sql, &err))
      return Fail(kDriverError, "order \"" + text + "\": " + err.message);
    OrderTerm p;
    const ExprNode& root = *c.expression.Root();
    // The keyset builder writes its collation right after a term: anything but a plain column
    // goes in parentheses.
    p.sql = root.kind == ExprNodeKind::kName ? sql.sql : "(" + sql.sql + ")";
    p.params = std::move(sql.binds);
    p.ascending = c.ascending;
    const ExprNode* name = ColumnOf(root);
    const Binding* b = name ? names_.Find(name->text) : nullptr;
    bool primaryColumn = false;
    bool found = false;
    for (int i = 0; b && i < FileCount(); ++i)
      for (const ColumnDesc& col : File(i).ViewShape()->columns)
        if (col.label == b->name) {
          found = true;
          primaryColumn = i == 0;
          if (&root == name) {
            p.column = col;
          } else {
            p.column.type = ColumnType::kText;
            p.column.nullable = col.nullable;
          }
        }
    if (!found) p.column.type = IsTextExpression(root) ? ColumnType::kText : ColumnType::kReal;
    // A joined file without a related record gives nulls, which neither order alike on every
    // database nor compare in a keyset condition: they count as the cleared record's blank or
    // zero. Plain columns of the primary file stay bare, so the database's indexes serve them.
    if (!primaryColumn) {
      p.sql = "COALESCE(" + p.sql + (p.column.type == ColumnType::kText ? ", '')" : ", 0)");
      p.column.nullable = false;
    }
    p.isColumn = primaryColumn && &root == name;
    order.push_back(std::move(p));
    exprs.push_back(std::move(c.expression));
  }
  // The primary's identity fields complete the order, so that every row has its own place. When
  // the order is a key of the primary file, read either way, they run as in that key's order
  // (which its index ends with), so that the index serves the whole order.
  bool reversed = false;
  const std::vector<OrderPart> keyOrder =
      SqlBuilder(*File(0).ViewShape(), *dialect_).Order(MatchingKey(order, &reversed));
  for (size_t i = 0; i < identity_.size(); ++i) {
    const int f = identity_[i];
    bool ascending = true;
    for (const OrderPart& k : keyOrder)
      if (k.field == f) ascending = k.ascending != reversed;
    std::string col = query_->Column(0, f);
    bool already = std::any_of(order.begin(), order.end(), [&](const OrderTerm& p) {
      return p.sql == col && p.params.empty();
    });
    if (already) continue;
    OrderTerm p;
    p.sql = col;
    p.ascending = ascending;
    p.column = File(0).ViewShape()->columns[size_t(f)];
    p.isColumn = true;
    order.push_back(std::move(p));
  }
  order_ = std::move(order);
  orderExprs_ = std::move(exprs);
  return kNoError;
}

int View::MatchingKey(const std::vector<OrderTerm>& order, bool* reversed) const {
  const TableShape& shape = *File(0).ViewShape();
  for (size_t k = 0; k < shape.keys.size(); ++k) {
    const KeyDecl& key = shape.keys[k];
    if (key.components.size() != order.size() || order.empty()) continue;
    std::optional<bool> flipped;
    bool matches = true;
    for (size_t i = 0; i < order.size() && matches; ++i) {
      const KeyComponent& c = key.components[i];
      std::string col = query_->Column(0, c.field);
      if (key.noCase && shape.columns[size_t(c.field)].type == ColumnType::kText)
        col = std::string("(").append(dialect_->Upper(col)).append(")");
      const bool flip = order[i].ascending != c.ascending;
      matches = order[i].sql == col && order[i].params.empty() && flipped.value_or(flip) == flip;
      flipped = flip;
    }
    if (matches) {
      *reversed = *flipped;
      return int(k) + 1;
    }
  }
  return 0;
}

ErrorCode View::PrepareFilter(const std::string& text) {
  filter_ = Statement();
  localFilter_ = false;
  localExpr_ = Expression();
  if (text.find_first_not_of(' ') == std::string::npos) return kNoError;
  Expression e;
  ExprError err;
  if (!e.Parse(text, &err) || !e.CheckNames(names_, &err))
    return Fail(kDriverError, "filter \"" + text + "\": " + err.message);
  Statement sql;
  if (SqlTranslator::Condition(e, *dialect_, names_, &sql, &err)) {
    filter_ = std::move(sql);
  } else if (err.code == ExprErrorCode::kNotTranslatable) {
    localFilter_ = true;
  } else {
    return Fail(kDriverError, "filter \"" + text + "\": " + err.message);
  }
  localExpr_ = std::move(e);
  return kNoError;
}

ErrorCode View::SetOrder(std::string_view text) {
  std::string old = orderText_;
  orderText_ = std::string(text);
  if (!open_) return ReportSuccess();
  ErrorCode e = PrepareOrder(orderText_);
  if (e != kNoError) {
    orderText_ = old;
    return e;
  }
  (void)SetStart(0);
  return ReportSuccess();
}

ErrorCode View::SetFilter(std::string_view text) {
  std::string old = filterText_;
  filterText_ = std::string(text);
  if (!open_) return ReportSuccess();
  ErrorCode e = PrepareFilter(filterText_);
  if (e != kNoError) {
    filterText_ = old;
    (void)PrepareFilter(filterText_);
    return e;
  }
  (void)SetStart(0);
  return ReportSuccess();
}

void View::SetPaging(int pageSize, int pagesBehind, int pagesAhead, int timeoutSeconds) {
  pageSize_ = std::max(pageSize, 1);
  pagesBehind_ = std::max(pagesBehind, 0);
  pagesAhead_ = std::max(pagesAhead, 0);
  timeout_ = std::max(timeoutSeconds, 0);
  Drop();
}

void View::SetPrefetch(int rows) {
  prefetch_ = std::max(rows, 0);
}

int View::ChunkRows() const {
  return (prefetch_ > 0 ? prefetch_ : pageSize_) * (1 + pagesAhead_);
}

}  // namespace kv
