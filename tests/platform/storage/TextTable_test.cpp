#include "platform/storage/TextTable.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/storage/DriverRegistry.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/LastError.h"
#include "platform/values/FieldTable.h"

namespace kv {
namespace {

struct LineRecord {
  String<16> TXT;
};

const FieldTableLayout& LineLayout() {
  static const FieldTable fields =
      FieldTable::For<LineRecord>({KV_FIELD(LineRecord, TXT, "LOG:TXT", "@s16")});
  static const FieldTableLayout layout(fields);
  return layout;
}

class TextDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("kv-text-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log"))
                .string();
    std::filesystem::remove(path_);
    decl_ = std::make_unique<TableDecl>("ErrorLog", path_, kTextDriver, LineLayout());
  }
  void TearDown() override {
    decl_.reset();
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    std::filesystem::remove(path_);
  }
  std::string FileText() {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  ErrorCode Append(std::string_view text) {
    decl_->Instance().RecordAs<LineRecord>().TXT = text;
    return decl_->Instance().Add();
  }

  std::string path_;
  std::unique_ptr<TableDecl> decl_;
};

TEST_F(TextDriver, MissingFileIsReportedThenCreatedAndLinesAreAppended) {
  Table& t = decl_->Instance();
  EXPECT_EQ(t.Open(kOpenReadWrite | kShareDenyNone), kNoFileError);
  ASSERT_EQ(t.Create(), kNoError);
  ASSERT_EQ(t.Open(kOpenReadWrite | kShareDenyNone), kNoError);
  EXPECT_EQ(Append("first"), kNoError);
  EXPECT_EQ(Append("second line here"), kNoError);
  EXPECT_EQ(t.Close(), kNoError);
  // Opening again and creating again never truncates: lines are only appended.
  ASSERT_EQ(t.Create(), kNoError);
  ASSERT_EQ(t.Open(kOpenReadWrite | kShareDenyNone), kNoError);
  EXPECT_EQ(Append("third"), kNoError);
  EXPECT_EQ(FileText(), "first\nsecond line here\nthird\n");
}

TEST_F(TextDriver, LinesAreCutWithoutSplittingCharactersAndHoldNoLineBreaks) {
  Table& t = decl_->Instance();
  ASSERT_EQ(t.Create(), kNoError);
  ASSERT_EQ(t.Open(kOpenReadWrite | kShareDenyNone), kNoError);
  // 15 ASCII bytes and a 2-byte character: 17 bytes, the field holds 16.
  EXPECT_EQ(Append(std::string(15, 'a') + "\xC3\xA9"), kNoError);
  EXPECT_EQ(Append("one\ntwo\rthree"), kNoError);
  EXPECT_EQ(FileText(), std::string(15, 'a') + "\n" + "one two three\n");
}

TEST_F(TextDriver, ReadsLinesInBothDirections) {
  Table& t = decl_->Instance();
  ASSERT_EQ(t.Create(), kNoError);
  ASSERT_EQ(t.Open(kOpenReadWrite | kShareDenyNone), kNoError);
  for (const char* s : {"l1", "l2", "l3"}) ASSERT_EQ(Append(s), kNoError);
  auto& r = t.RecordAs<LineRecord>();
  ASSERT_EQ(t.SetKey(0), kNoError);
  std::vector<std::string> seen;
  while (t.Next() == kNoError) seen.emplace_back(r.TXT.Clipped());
  EXPECT_EQ(seen, (std::vector<std::string>{"l1", "l2", "l3"}));
  ASSERT_EQ(t.SetKey(0), kNoError);
  ASSERT_EQ(t.Previous(), kNoError);
  EXPECT_EQ(r.TXT.Clipped(), "l3");
  std::string pos = t.Position();
  ASSERT_EQ(t.Previous(), kNoError);
  ASSERT_EQ(t.Reget(0, pos), kNoError);
  EXPECT_EQ(r.TXT.Clipped(), "l3");
  EXPECT_EQ(t.Put(), kNotSupportedError);
  EXPECT_EQ(t.SetProperty(kPropEnrolled, "1"), kNotSupportedError);
}

TEST_F(TextDriver, ReadOnlyOpenAndReadOnlyFileRefuseWrites) {
  Table& t = decl_->Instance();
  ASSERT_EQ(t.Create(), kNoError);
  ASSERT_EQ(t.Open(kOpenReadOnly | kShareDenyNone), kNoError);
  EXPECT_EQ(Append("never"), kAccessDenied);
  ASSERT_EQ(t.Close(), kNoError);
  EXPECT_EQ(FileText(), "");
  // A file marked read-only refuses writers, the superuser too.
  std::filesystem::permissions(path_, std::filesystem::perms::owner_read,
                               std::filesystem::perm_options::replace);
  EXPECT_EQ(t.Open(kOpenReadWrite | kShareDenyNone), kAccessDenied);
  EXPECT_EQ(LastError().code, kAccessDenied);
  EXPECT_FALSE(LastError().driverText.empty());
}

TEST(DriverRegistry, UnknownDriverFailsEveryOperationWithItsName) {
  TableDecl decl("Ghost", "Ghost", "NOSUCH", LineLayout());
  EXPECT_EQ(decl.Instance().Open(), kDriverError);
  EXPECT_NE(LastError().driverText.find("NOSUCH"), std::string::npos);
  EXPECT_TRUE(HasDriver("text"));
}

TEST(TableProperties, NumberedPropertiesAndCallbacks) {
  TableDecl decl("Lines", "/nonexistent/dir/x.log", kTextDriver, LineLayout());
  Table& t = decl.Instance();
  EXPECT_EQ(t.Property(kPropLabel), "Lines");
  EXPECT_EQ(t.Property(kPropThreaded), "1");
  EXPECT_EQ(t.Property(kPropFields), "1");
  EXPECT_EQ(t.SetProperty(kPropPrefetch, "20"), kNoError);
  EXPECT_EQ(t.Property(kPropPrefetch), "20");
  EXPECT_EQ(t.SetProperty(0x7252, "2"), kNoError);
  EXPECT_EQ(t.Property(0x7252), "2");
  EXPECT_EQ(t.SetProperty(kPropLabel, "x"), kNotSupportedError);
  EXPECT_EQ(t.Send("Recover=10"), kNoError);
  EXPECT_EQ(t.Send("QUICKSCAN=on"), kNoError);
  EXPECT_EQ(t.Send("QUICKSCAN=maybe"), kNotSupportedError);

  struct Recorder : FileCallback {
    std::vector<int> ops;
    bool veto = false;
    bool BeforeOperation(const OperationInfo& i) override {
      ops.push_back(i.operation);
      return !veto;
    }
    bool AfterOperation(const OperationInfo& i) override {
      ops.push_back(-i.operation);
      return true;
    }
  } rec;
  t.AddCallback(&rec);
  EXPECT_EQ(t.Open(), kNoFileError);
  rec.veto = true;
  EXPECT_EQ(t.Create(), kDriverError) << "a callback refused the operation";
  t.RemoveCallback(&rec);
  EXPECT_EQ(rec.ops, (std::vector<int>{kOpOpen, -kOpOpen, kOpCreate, -kOpCreate}));
}

}  // namespace
}  // namespace kv
