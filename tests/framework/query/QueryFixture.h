#pragma once

// A query manager over the columns of a products-like table, and an entry window stand-in that
// only answers its style.

#include <cstdint>

#include "framework/query/QueryManager.h"
#include "framework/query/QueryVisual.h"

namespace kv::test {

// A Visual that enters nothing: it answers a fixed style, and Ask answers `confirm`.
class FixedStyle : public QueryVisual {
 public:
  explicit FixedStyle(std::int32_t style) : style_(style) {}
  std::int32_t GetStyle() const override { return style_; }
  bool Ask(QueryManager&) override { return confirm; }
  bool confirm = true;

 private:
  std::int32_t style_;
};

struct QueryFixture {
  // Initialises `query` and adds, in this order: PRO:PCODE (S20), PRO:DESCRIPTION (S40),
  // PRO:PRICE (N9.2), PRO:NOPIC (no picture), PRO:ADDED (D6), PRO:LONGDATE (D4),
  // UPPER(PRO:NOTE) (S30), PRO:LOWERPIC (s10), PRO:FORCED (N9.2, values used as typed).
  static void Setup(QueryManager& query, ErrorManager& errors, QueryVisual* visual,
                    IniManager* settings = nullptr, std::string_view family = "Products") {
    query.Init(errors, visual, settings, family);
    query.AddItem("PRO:PCODE", "Code", "@S20");
    query.AddItem("PRO:DESCRIPTION", "Description", "@S40");
    query.AddItem("PRO:PRICE", "Price", "@N9.2");
    query.AddItem("PRO:NOPIC", "No picture", "");
    query.AddItem("PRO:ADDED", "Added", "@D6");
    query.AddItem("PRO:LONGDATE", "Long date", "@D4");
    query.AddItem("UPPER(PRO:NOTE)", "Note", "@S30");
    query.AddItem("PRO:LOWERPIC", "Lower", "s10");
    query.AddItem("PRO:FORCED", "Forced", "@N9.2", /*forceEditPicture=*/true);
  }
};

}  // namespace kv::test
