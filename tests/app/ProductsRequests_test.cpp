// The products list as a procedure called with a request of its own (to select a product, or to
// view the products only), its window place kept from one opening to the next, and two lists
// open side by side, each on its own thread: the whole program on the headless backend, on the
// embedded SQLite file and on PostgreSQL.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/BrowseArticulos.h"
#include "app/Globals.h"
#include "app/MainFrame.h"
#include "platform/window/Window.h"
#include "tests/app/ProductsDb.h"
#include "tests/app/ProgramScript.h"
#include "tests/app/ProgramSession.h"

namespace kv {
namespace {

using test::ProductsDb;
using Lines = std::vector<std::string>;

constexpr const char* kList = "Browse the Products file";

class ProductsRequests : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!test::DatabaseAvailable(GetParam())) GTEST_SKIP() << "PGHOST/PGDATABASE not set";
    db = std::make_unique<ProductsDb>(GetParam(), folder);
    ASSERT_TRUE(db->Ok()) << db->Error();
  }

  // Runs the program; the list starts with `request` in GlobalRequest and its answer is
  // recorded as "response N". `steps` are script texts run in turn (the first one connects);
  // the record holds "failed: ..." for the first that fails, and whatever `probe` adds after
  // each step.
  Lines Run(std::uint8_t request, const Lines& steps,
            const std::function<void(const std::function<void(std::string)>&)>& probe = {}) {
    const std::string connect = db->ConnectLines();
    test::ProgramSession run(
        [&](HeadlessBackend& backend, const std::function<void(std::string)>& add) {
          std::string error = test::RunScriptLines(backend, connect);
          for (std::size_t i = 0; error.empty() && i < steps.size(); ++i) {
            error = test::RunScriptLines(backend, steps[i]);
            if (error.empty() && probe) probe(add);
          }
          if (!error.empty()) add("failed: " + error);
          (void)test::RunScriptLines(backend, "window frame\nchoose \"?EXIT\"");
        },
        [request](const std::function<void(std::string)>& add) {
          SetBrowseProcedure([request, add] {
            GlobalRequest = request;
            BrowseArticulos();
            add("response " + std::to_string(GlobalResponse));
          });
        },
        &folder);
    EXPECT_EQ(run.ExitCode(), 0);
    Lines out;
    for (const std::string& line : run.Record())
      if (line.rfind("failed: ", 0) == 0 || line.rfind("response ", 0) == 0 ||
          line.rfind("probe", 0) == 0)
        out.push_back(line);
    return out;
  }

  // Script lines that insert a product from the list's Insert button.
  static std::string Insert(const std::string& code, const std::string& description) {
    return "press \"?INSERT:3\"\nwindow \"Record Will Be Added\"\ntype \"?PRO:PCODE\" \"" + code +
           "\"\ntype \"?PRO:DESCRIPTION\" \"" + description + "\"\npress \"?OK\"\nwindow \"" +
           kList + "\"\n";
  }

  test::TempDirectory folder;
  std::unique_ptr<ProductsDb> db;
};

const std::string kOpen = std::string("choose \"?BROWSEARTICULOS\"\nwindow \"") + kList + "\"\n";
const std::string kClose = "press \"?CLOSE\"\ncheck closed \"" + std::string(kList) + "\"\n";

// Close answers RequestCancelled to a caller that asked for a selection, RequestCompleted to
// one that asked for nothing; the record buttons work in both.
TEST_P(ProductsRequests, CloseAnswersByTheRequestTheListWasCalledWith) {
  struct Case {
    std::uint8_t request;
    const char* rows;  // the products the list shows (one more each time)
    const char* response;
  };
  for (const Case& c : {Case{0, "1", "response 1"}, Case{SelectRecord, "2", "response 2"}}) {
    SCOPED_TRACE(int(c.request));
    EXPECT_EQ(Run(c.request, {kOpen + Insert("P" + std::to_string(c.request), "Pins") +
                              "check rows \"?BROWSE:1\" " + c.rows + "\n" + kClose}),
              Lines{c.response});
  }
}

// A list that only views: its insert, change and delete buttons do nothing, nor do their keys,
// and View runs no form.
TEST_P(ProductsRequests, AViewingListWiresNoRecordButtonsAndRunsNoForm) {
  ASSERT_TRUE(Run(0, {kOpen + Insert("A1", "Axes") + Insert("B2", "Bits") + kClose}).back() ==
              "response 1");
  const Lines record =
      Run(ViewRecord,
          {kOpen +
           "check rows \"?BROWSE:1\" 2\nclick \"?BROWSE:1\" 2\n"
           "press \"?INSERT:3\"\npress \"?CHANGE:3\"\npress \"?DELETE:3\"\n"
           "key \"?BROWSE:1\" Insert\nkey \"?BROWSE:1\" Delete\nkey \"?BROWSE:1\" Ctrl+Enter\n"
           "click \"?BROWSE:1\" 1 double\npress \"?VIEW:2\"\nkey \"?BROWSE:1\" Shift+Enter\n"
           "check messages 0\ncheck closed \"View Record\"\ncheck closed \"Record Will Be "
           "Added\"\ncheck closed \"Record Will Be Changed\"\ncheck rows \"?BROWSE:1\" 2\n" +
           kClose});
  EXPECT_EQ(record, Lines{"response 1"});
  EXPECT_EQ(db->Products(), (Lines{"A1|Axes|0.00|0", "B2|Bits|0.00|0"}));
}

// The list reopens at the place and size it had when it was closed; two lists open at once keep
// their own highlighted rows.
TEST_P(ProductsRequests, TheListReopensWhereItWasAndTwoListsKeepTheirOwnRows) {
  // The first time, the person also moves the list somewhere else.
  bool moved = false;
  auto probe = [&moved](const std::function<void(std::string)>& add) {
    std::string line = "probe";
    for (WindowId id : Window::OpenWindows()) {
      Window w(id);
      if (w.Caption() != kList) continue;
      if (!moved) w.SetPosition(Rect{40, 30, w.Position().width, w.Position().height});
      moved = true;
      const Rect r = w.Position();
      line += " " + std::to_string(r.x) + "," + std::to_string(r.y) + "," +
              std::to_string(r.width) + "x" + std::to_string(r.height);
    }
    add(line);
  };
  const std::string list1 = "window \"" + std::string(kList) + "\" 1\n";
  const std::string list2 = "window \"" + std::string(kList) + "\" 2\n";
  Lines record = Run(
      0,
      {
          kOpen + Insert("A1", "Axes") + Insert("B2", "Bits") + Insert("C3", "Chisels") +
              "resize 700 420\n",
          kClose + kOpen,
          "window frame\n" + kOpen + "click \"?BROWSE:1\" 3\n",
          list1 + "check choice \"?BROWSE:1\" 1\nkey \"?BROWSE:1\" B\n" +
              "check choice \"?BROWSE:1\" 2\n" + list2 + "check choice \"?BROWSE:1\" 3\n" +
              "press \"?CLOSE\"\nwindow \"" + kList + "\"\ncheck choice \"?BROWSE:1\" 2\n" + kClose,
      },
      probe);
  Lines probes, responses;
  for (const std::string& line : record)
    (line.rfind("probe", 0) == 0 ? probes : responses).push_back(line);
  EXPECT_EQ(responses, (Lines{"response 1", "response 1", "response 1"}));
  ASSERT_EQ(probes.size(), 4u) << ::testing::PrintToString(record);
  EXPECT_EQ(probes[0], "probe 40,30,700x420");
  EXPECT_EQ(probes[1], probes[0]) << "reopened at the place and size it was closed with";
  // The second list, restored to the same saved place, steps aside instead of hiding the first.
  EXPECT_EQ(probes[2], "probe 40,30,700x420 56,46,700x420");
  EXPECT_EQ(probes[3], "probe") << "both lists closed";
}

INSTANTIATE_TEST_SUITE_P(Db, ProductsRequests, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kv
