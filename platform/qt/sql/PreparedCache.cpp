#include "platform/qt/sql/PreparedCache.h"

namespace kv {

PreparedCache::~PreparedCache() {
  Clear();
}

QSqlQuery* PreparedCache::Get(const QSqlDatabase& db, const std::string& sql, QSqlError* error) {
  if (auto it = bySql_.find(sql); it != bySql_.end()) {
    order_.splice(order_.begin(), order_, it->second);
    return order_.front().query.get();
  }
  auto query = std::make_unique<QSqlQuery>(db);
  query->setForwardOnly(true);
  query->setNumericalPrecisionPolicy(QSql::HighPrecision);
  if (!query->prepare(QString::fromStdString(sql))) {
    *error = query->lastError();
    return nullptr;
  }
  if (order_.size() >= kMaxStatements) {
    bySql_.erase(order_.back().sql);
    order_.pop_back();
  }
  order_.push_front(Entry{sql, std::move(query)});
  bySql_[sql] = order_.begin();
  return order_.front().query.get();
}

void PreparedCache::Drop(const std::string& sql) {
  auto it = bySql_.find(sql);
  if (it == bySql_.end()) return;
  order_.erase(it->second);
  bySql_.erase(it);
}

void PreparedCache::Clear() {
  bySql_.clear();
  order_.clear();
}

}  // namespace kv
