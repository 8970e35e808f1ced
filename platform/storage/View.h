#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/expr/Bindings.h"
#include "platform/expr/Expression.h"
#include "platform/storage/ErrorCode.h"
#include "platform/storage/Table.h"
#include "platform/storage/ViewQuery.h"

namespace kv {

// A view: a read-only join of a primary table and, optionally, related tables joined on key
// fields, read in the order of its order text and restricted by its filter text. Reading a
// row puts each file's record into that table's record buffer and makes it the table's current
// record (so a Put or Delete on the primary table after a view read acts on that row).
//
//   View view(products.Instance());
//   view.AddJoin(providers.Instance(), 1, {3});     // providers' key 1 = PRO:PROVIDER
//   view.SetOrder("+UPPER(PRO:DESCRIPTION),-PRO:PRICE");
//   view.SetFilter("PRO:PRICE >= 10");
//   view.SetPaging(20, 2, 0, 60);
//   view.Open(0x22); view.SetStart(); while (view.Next() == kNoError) ...
//
// Texts. The order text is a list of comma-separated components, each an expression over the
// files' field labels with an optional "+" (ascending, the default) or "-" (descending) in
// front ("UPPER(" label ")" orders ignoring case). The filter text is a condition of the
// expression language. Both are translated to SQL with every value as a bound parameter; a
// filter that cannot run on the server (see SqlTranslator.h) is evaluated on each row here.
//
// Paging. Rows are read in pages of keyset queries along the order, in both directions: the
// order is completed by the primary table's identity fields, so every row has a unique place,
// and the next page is "the rows after the last one read". No statement uses OFFSET or counts
// rows, and none reads more than one page. A page holds PAGESIZE rows (or the row-prefetch
// count when set) times (1 + PAGESAHEAD); PAGESBEHIND pages are kept behind the current row so
// that reading back over them needs no statement; rows held longer than TIMEOUT seconds are
// read again before they are returned.
//
// Positions. A row's position is the position of its primary record (the same text that
// Table::Position(0) gives for it), so forms and browses may pass them between the two.
//
// Errors. Every operation returns the runtime's code and leaves it as the thread's last error
// (platform/RuntimeError.h): kNotOpenError on a closed view, kNoRecordError at either end and
// for a position that no longer exists, kDriverError for order or filter texts that do not
// parse or name unknown fields (the text describes the problem), and the database's errors.
//
// Thread: a view belongs to the logical thread of its tables (their record buffers).
class View {
 public:
  // One field of the view: the file (0 primary, then joined files in order) and its number
  // in that file's record (from 0).
  struct FieldRef {
    int file = 0;
    int field = 0;
  };

  // `primary` is not owned and must outlive the view.
  explicit View(Table& primary);
  ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // Joins `related` (not owned) to file `parent` (0 = the primary file): the first components
  // of `related`'s key `relatedKey` equal, in order, the fields `parentFields` of the parent.
  // `inner` keeps only rows that have a related record (else a missing one leaves its buffer
  // cleared). Returns the file's number, or -1 when the key or a field does not exist or the
  // view is open. Only tables of the primary's database can be joined.
  int AddJoin(Table& related, int relatedKey, std::vector<int> parentFields, int parent = 0,
              bool inner = false);

  int FileCount() const { return int(files_.size()); }
  Table& File(int n) const { return *files_[size_t(n)].table; }
  // Every field of every file in file order; the label of one ("PRO:PCODE").
  std::vector<FieldRef> Fields() const;
  std::string FieldLabel(FieldRef ref) const;

  // Opens the view. Every file must be open (kNotOpenError otherwise) and reach the same
  // database (kDriverError otherwise). kAlreadyOpenError when open. The order and filter set
  // before take effect here; the view is positioned at its start.
  [[nodiscard]] ErrorCode Open(int mode = 0x22);
  ErrorCode Close();
  bool IsOpen() const { return open_; }

  // The order text (blank: the primary's identity order). Checked at once when open, else at
  // Open; kDriverError for a text that does not parse or names an unknown field (the old
  // order stays). A new order positions the view at its start.
  [[nodiscard]] ErrorCode SetOrder(std::string_view text);
  const std::string& Order() const { return orderText_; }
  // The filter text (blank: none); as SetOrder.
  [[nodiscard]] ErrorCode SetFilter(std::string_view text);
  const std::string& Filter() const { return filterText_; }
  // True when the filter runs on each row here instead of on the server.
  bool FiltersLocally() const { return localFilter_; }

  // Paging parameters (see Paging): rows per page (0 means 1), pages kept behind, extra pages
  // read ahead, and seconds a held row stays valid (0: no limit). Dropping held rows.
  void SetPaging(int pageSize, int pagesBehind, int pagesAhead, int timeoutSeconds);
  // Rows read per statement instead of the page size (0: the page size).
  void SetPrefetch(int rows);
  int Prefetch() const { return prefetch_; }

  // Positions before the first row (Next reads the first, Previous the last). With n > 0, at
  // the values the record buffers hold for the first n order components: Next reads the first
  // row at or after them, Previous the last at or before them.
  ErrorCode SetStart(int components = 0);
  // Read the next / previous row into the record buffers. kNoRecordError at the end (the
  // buffers keep the last row; reading the other way returns the row before that end).
  ErrorCode Next();
  ErrorCode Previous();

  // The position of the current row; empty when no row is current.
  std::string Position() const;
  // Positions at the row of `position` without reading it: Next and Previous both read it
  // first. No statement runs when the row is among the rows held or when the order is the
  // primary's identity (then a row that no longer exists positions at its place: the reads
  // go on with its neighbours). Otherwise the row is read by its identity: kNoRecordError when
  // it no longer exists, and the view stays where it was. The rows held are dropped, so the
  // reads that follow show the rows as they are now.
  ErrorCode ResetTo(std::string_view position);
  // Reads the row of `position` (current values, filter not applied) and makes it current.
  ErrorCode Reget(std::string_view position);

  // The next read goes to the database, so it shows the latest version of the rows.
  void Watch();
  // Drops the rows held; the position is kept.
  void Flush();

  // Statements this view has run (pages, positions); for measurements and tests.
  int Statements() const { return statements_; }
  // The names filters and orders may use: every field of every file. Program code may bind
  // further variables (evaluated locally).
  Bindings& Names() { return names_; }

 private:
  struct ViewFile {
    Table* table = nullptr;
    int parent = -1;
    int key = 0;
    std::vector<std::pair<int, int>> on;
    bool inner = false;
  };
  struct HeldRow {
    std::vector<SqlValue> values;
    std::chrono::steady_clock::time_point fetched;
  };

  ErrorCode Prepare();
  ErrorCode PrepareOrder(const std::string& text);
  ErrorCode PrepareFilter(const std::string& text);
  // The key of the primary file that `order` is (0: none); `reversed` when read the other way.
  int MatchingKey(const std::vector<OrderTerm>& order, bool* reversed) const;
  void BindNames();
  ErrorCode Read(bool forward);
  ErrorCode Fetch(bool forward, const KeysetBound& bound, std::vector<HeldRow>* rows);
  KeysetBound BoundFor(bool forward) const;
  void Drop();
  void Trim(bool forward);
  void Load(const std::vector<SqlValue>& row);
  bool PassesLocally();
  int ChunkRows() const;
  std::vector<SqlValue> OrderValues(const std::vector<SqlValue>& row) const;
  std::vector<SqlValue> IdentityValues(const std::vector<SqlValue>& row) const;
  std::vector<ColumnDesc> IdentityColumns() const;
  ErrorCode FetchByPosition(std::string_view position, std::vector<SqlValue>* row);
  // True when the complete order is the primary's identity fields, in their order.
  bool OrderIsIdentity() const;
  bool ValueOf(const Expression& e, const ColumnDesc& column, SqlValue* out);

  std::vector<ViewFile> files_;
  std::unique_ptr<ViewQuery> query_;  // while open
  const Dialect* dialect_ = nullptr;  // while open
  Bindings names_;
  std::string orderText_;
  std::string filterText_;
  std::vector<OrderTerm> order_;
  std::vector<Expression> orderExprs_;  // the order text's components (before the identity)
  Statement filter_;                    // the filter's SQL; empty when none or when it runs locally
  Expression localExpr_;
  bool localFilter_ = false;
  std::vector<int> identity_;  // identity fields of the primary file

  // The rows held: a run of consecutive rows of the order; pos_ is the current one (-1 before
  // the first held row, rows_.size() after the last). With no rows held, anchor_ says where
  // reading goes on.
  std::vector<HeldRow> rows_;
  long pos_ = -1;
  std::vector<SqlValue> anchor_;  // order values (empty: from either end)
  bool anchorNextInclusive_ = false;
  bool anchorPrevInclusive_ = false;
  bool fresh_ = false;  // Watch: the next read fetches

  int pageSize_ = 20;
  int pagesBehind_ = 2;
  int pagesAhead_ = 0;
  int timeout_ = 60;
  int prefetch_ = 0;
  bool open_ = false;
  int statements_ = 0;
};

}  // namespace kv
