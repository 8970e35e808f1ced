#include "platform/storage/View.h"

#include <algorithm>

#include "platform/expr/OrderText.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/LastError.h"
#include "platform/storage/RecordPosition.h"

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

SqlValue FromParam(const SqlParam& p) {
  switch (p.kind) {
    case SqlParamKind::kInteger:
      return SqlValue::Integer(std::stoll(p.text));
    case SqlParamKind::kDecimal:
      return SqlValue::Decimal(p.text);
    case SqlParamKind::kText:
      break;
  }
  return SqlValue::Text(p.text);
}

std::vector<SqlValue> FromParams(const SqlParams& params) {
  std::vector<SqlValue> out;
  for (const SqlParam& p : params) out.push_back(FromParam(p));
  return out;
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
  std::vector<ViewOrderPart> order;
  std::vector<Expression> exprs;
  const SqlFunctionDialect& fd = dialect_->Functions();
  for (OrderComponent& c : parts) {
    SqlText sql;
    if (!c.expression.ToSqlValue(fd, names_, &sql, &err))
      return Fail(kDriverError, "order \"" + text + "\": " + err.message);
    ViewOrderPart p;
    p.sql = sql.sql;
    p.params = FromParams(sql.params);
    p.ascending = c.ascending;
    const ExprNode& root = *c.expression.Root();
    const Binding* b = root.kind == ExprNodeKind::kName ? names_.Find(root.text) : nullptr;
    bool primaryColumn = false;
    if (b) {
      for (int i = 0; i < FileCount(); ++i)
        for (const ColumnDesc& col : File(i).ViewShape()->columns)
          if (col.label == b->name) {
            p.column = col;
            primaryColumn = i == 0;
          }
    } else {
      p.column.type = IsTextExpression(root) ? ColumnType::kText : ColumnType::kReal;
    }
    // A joined file without a related record gives nulls, which neither order alike on every
    // database nor compare in a keyset condition: they count as the cleared record's blank or
    // zero. Plain columns of the primary file stay bare, so the database's indexes serve them.
    if (!primaryColumn)
      p.sql = "COALESCE(" + p.sql + (p.column.type == ColumnType::kText ? ", '')" : ", 0)");
    order.push_back(std::move(p));
    exprs.push_back(std::move(c.expression));
  }
  // The primary's identity fields complete the order, so that every row has its own place.
  for (int f : identity_) {
    std::string col = query_->Column(0, f);
    bool already = std::any_of(order.begin(), order.end(), [&](const ViewOrderPart& p) {
      return p.sql == col && p.params.empty();
    });
    if (already) continue;
    ViewOrderPart p;
    p.sql = col;
    p.column = File(0).ViewShape()->columns[size_t(f)];
    order.push_back(std::move(p));
  }
  order_ = std::move(order);
  orderExprs_ = std::move(exprs);
  return kNoError;
}

ErrorCode View::PrepareFilter(const std::string& text) {
  filterSql_.clear();
  filterParams_.clear();
  localFilter_ = false;
  localExpr_ = Expression();
  if (text.find_first_not_of(' ') == std::string::npos) return kNoError;
  Expression e;
  ExprError err;
  if (!e.Parse(text, &err) || !e.CheckNames(names_, &err))
    return Fail(kDriverError, "filter \"" + text + "\": " + err.message);
  SqlText sql;
  if (e.ToSqlCondition(dialect_->Functions(), names_, &sql, &err)) {
    filterSql_ = sql.sql;
    filterParams_ = FromParams(sql.params);
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
