#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/errors/ResultLevel.h"
#include "framework/data/BufferedPairList.h"
#include "platform/storage/View.h"
#include "platform/values/VarRef.h"

namespace kv {

class FileManager;
class RelationManager;

// Range-limit kinds (LIMITTYPE).
inline constexpr std::uint8_t RangeNone = 0;
inline constexpr std::uint8_t RangeFixed = 1;   // equalities, RIGHT values fixed
inline constexpr std::uint8_t RangeFollow = 2;  // equalities, the last RIGHT follows its LEFT
inline constexpr std::uint8_t RangeBounds = 3;  // equalities, then lower and upper bound
inline constexpr std::uint8_t RangeLive = 4;    // equalities on live RIGHTs, BUFFER last applied

// The id of the standard filter, and the one query by example uses.
inline constexpr std::string_view kStandardFilter = "5 Standard";
inline constexpr std::string_view kQueryFilter = "9 - QBE";

// One named filter of a sort order.
struct FilterRow {
  std::string ID;      // at most 30 bytes, clipped
  std::string FILTER;  // clipped, never blank
};

// One sort order. A deriving class may derive its own rows from this one (see MakeOrderRow).
struct OrderRow {
  virtual ~OrderRow() = default;
  // The order's named filters, sorted on ID descending; null until the first SetFilter.
  std::unique_ptr<std::vector<FilterRow>> FILTER;
  VarRef FREEELEMENT;  // the key component after the range-limited ones
  std::uint8_t LIMITTYPE = RangeNone;
  int MAINKEY = 0;                     // the key (number in the table declaration); 0 none
  std::unique_ptr<std::string> ORDER;  // the order text, clipped; null when empty
  std::unique_ptr<BufferedPairList> RANGELIST;
};

// The sort orders of a view manager; CURRENT is the current order (0-based row).
struct OrderQueue {
  std::vector<std::unique_ptr<OrderRow>> ROWS;
  std::size_t CURRENT = 0;
  OrderRow* Current() { return CURRENT < ROWS.size() ? ROWS[CURRENT].get() : nullptr; }
};

// A saved record buffer of one file of the view (SaveBuffers).
struct SavedViewBuffer {
  std::int32_t BUFF = 0;
  FileManager* FM = nullptr;
};

// Drives one view (platform/storage/View.h): its sort orders, each with a key, range limits
// and named filters; turns the current order into the view's order text and the range limits
// and filters into one filter expression; opens the view with paging parameters, reads it in
// both directions through the ValidateRecord hook, saves and restores the record buffers of
// every file of the view and primes a new record with the range-limit values.
//
// Use: Init, AddSortOrder for each order, SetSort, Open (or Reset), then Next / Previous;
// ApplyRange before re-reading when range values may have changed; SetFilter then ApplyFilter
// (or Open) to change filters; Close and Kill at the end.
//
// Failures are reported through PRIMARY's file manager: "View Open Error" (opening, order,
// filter, positioning), "Record Retrieval Error" (reading). End of data is Notify without a
// message. Thread: the logical thread of the view's tables.
class ViewManager {
 public:
  ViewManager();
  virtual ~ViewManager();
  ViewManager(const ViewManager&) = delete;
  ViewManager& operator=(const ViewManager&) = delete;

  // ---- Virtual operations, in slot order ----------------------------------------------------
  virtual void Destroy();                           // 0: Kill when INITED and not KILLED
  virtual void AppendOrder(std::string_view text);  // 1: "*text" replaces; else ",text" added
  virtual void ApplyFilter();                       // 2: compose and set the view's filter
  virtual void ApplyOrder();                        // 3: set the view's order text
  // 4: refreshes changed range values; true when the filter was applied again.
  virtual bool ApplyRange();
  virtual void Close();                   // 5: Close(false)
  virtual void Close(bool force);         // 6: closes when OPENED or forced
  virtual void ClearBuffers();            // 7: blanks every file's record
  virtual int FreeElementAscending();     // 8: 1 ascending (also when none)
  virtual std::string FreeElementName();  // 9: empty when none
  virtual int FreeElementPosition();      // 10: 0 when none
  virtual void Kill();                    // 11
  [[nodiscard]] virtual ResultLevel Next();             // 12: Benign, Notify (end/out of range), Fatal
  virtual void Open();                    // 13
  [[nodiscard]] virtual ResultLevel Previous();         // 14
  [[nodiscard]] virtual ResultLevel PrimeRecord(bool keepBuffer = false);  // 15
  virtual void ResetTo(int n);                               // 16: Open, then position at the start
  virtual void Reset();                                      // 17: ResetTo(0)
  virtual void RestoreBuffers();                             // 18
  virtual void SaveBuffers();                                // 19
  virtual void SetFilter(std::string_view text);             // 20: SetFilter(text, "5 Standard")
  virtual void SetFilter(std::string_view text, std::string_view id);  // 21: blank removes
  virtual void SetOrder(std::string_view text);                        // 22
  virtual bool SetSort(int n);  // 23: true when the order changed
  // 24: 0 accept, 1 stop (out of range), anything else skip. 0 here.
  virtual int ValidateRecord();

  // ---- Non-virtual ---------------------------------------------------------------------------
  // Takes the view and the primary file's relation manager (neither owned) and an order queue
  // (not owned; null: one is created and disposed of by Kill); default paging; UseFiles.
  // The view, the relation managers and the file managers must outlive this manager, or it
  // must be killed first (the destructor kills, which closes the view and the files).
  void Init(View& view, RelationManager& primary, OrderQueue* orders = nullptr);
  // Adds an order on `key` and makes it current; its text lists the key's components.
  // Returns the number of orders.
  int AddSortOrder(int key);
  // Sets the range limit of the current order: `pairs` (LEFT, RIGHT) in key order, one per
  // limited component, two (lower, upper) for the bounded one of a RangeBounds limit. Replaces
  // the order's earlier limit. False (nothing changed) when there is no current order, the
  // kind is not 0..4, RangeBounds has fewer than two pairs, or more components would be
  // limited than the key has.
  bool SetRangeLimit(std::uint8_t kind, const std::vector<std::pair<VarRef, VarRef>>& pairs);
  // Opens every file of the view through its relation manager (all must be registered).
  void UseFiles();
  void ReleaseFiles();
  // False only when the view's order text names `field` with a "-" sign (labels compared
  // without regard to letter case).
  bool FieldAscending(VarRef field);

  // The filter ApplyFilter composes for the current order (without setting it).
  std::string ComposeFilter();
  // A value written for a filter: a text quoted with its quotes doubled and wrapped as
  // UPPER(...) / LOWER(...) when `component` is; other values in their plain form.
  static std::string QuoteValue(VarRef value, std::string_view component);

  // ---- Fields, in declaration order --------------------------------------------------------
  bool DISPOSEORDER = false;
  bool OPENED = false;
  OrderQueue* ORDER = nullptr;
  std::uint16_t PAGESAHEAD = 0;
  std::uint16_t PAGESBEHIND = 2;
  std::uint16_t PAGESIZE = 20;
  RelationManager* PRIMARY = nullptr;
  std::uint16_t TIMEOUT = 60;
  View* VIEW = nullptr;
  std::vector<SavedViewBuffer> SAVEDBUFFERS;
  bool INITED = false;
  bool KILLED = false;
  bool USED = false;

 protected:
  // The row AddSortOrder adds: a deriving class returns its own row type.
  virtual std::unique_ptr<OrderRow> MakeOrderRow();

 private:
  FileManager* PrimaryFile() const;
  ResultLevel Read(bool forward);
  FileManager* FileManagerOf(int file) const;
  RelationManager* RelationManagerOf(int file) const;

  std::unique_ptr<OrderQueue> ownOrders_;  // when DISPOSEORDER
};

}  // namespace kv
