#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

namespace kv {

// The prepared statements of one database connection, kept by their SQL text so that a
// statement run again (the next page of a list, the next record written) is executed without
// being prepared again: on PostgreSQL one EXECUTE instead of PREPARE, EXECUTE and DEALLOCATE,
// and no new plan. At most kMaxStatements are kept; the one used longest ago is released first.
//
// Ownership: the cache owns its queries and releases them when it is cleared or destroyed,
// which must happen before the connection closes (SqlConnection declares it after its
// database handle). Thread: the connection's thread.
class PreparedCache {
 public:
  static constexpr std::size_t kMaxStatements = 64;

  PreparedCache() = default;
  ~PreparedCache();
  PreparedCache(const PreparedCache&) = delete;
  PreparedCache& operator=(const PreparedCache&) = delete;

  // The query prepared for `sql` on `db` (forward-only, decimals as text), prepared now when
  // it is not kept yet. Null when preparing fails, with the driver's error in `error`. The
  // query stays valid until the next Get, Drop or Clear.
  QSqlQuery* Get(const QSqlDatabase& db, const std::string& sql, QSqlError* error);
  // Releases the query kept for `sql`, if any.
  void Drop(const std::string& sql);
  // Releases every query.
  void Clear();
  // Number of queries kept.
  std::size_t Size() const { return order_.size(); }

 private:
  struct Entry {
    std::string sql;
    std::unique_ptr<QSqlQuery> query;
  };
  std::list<Entry> order_;  // most recently used first
  std::unordered_map<std::string, std::list<Entry>::iterator> bySql_;
};

}  // namespace kv
