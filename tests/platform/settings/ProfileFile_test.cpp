#include "platform/settings/ProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"

namespace kv {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

TEST(ProfileFile, ValuesComeBackExactlyAsWritten) {
  test::TempDirectory dir;
  std::string file = dir.File("values.ini");
  const std::vector<std::string> values = {
      "plain",
      "a=b=c",
      "x;y",
      "; looks like a comment",
      "# hash",
      "  leading",
      "trailing  ",
      " both ",
      "\"quoted\"",
      "\"",
      "\"\"",
      "\"half",
      "",
      "tab\tinside",
      "\tlead tab",
      "ünïcødé ✓ 日本語",
      "<<<TAG",
      "[not a section]",
      "C:\\dir\\file",
      "= starts with equals",
  };
  for (std::size_t i = 0; i < values.size(); ++i) {
    ASSERT_EQ(PutProfileString("Values", "v" + std::to_string(i), values[i], file),
              ProfileStatus::kOk)
        << values[i];
  }
  // A further write rewrites the file; every value must survive being read back and rewritten.
  ASSERT_EQ(PutProfileString("Other", "k", "1", file), ProfileStatus::kOk);
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(FindProfileString("Values", "v" + std::to_string(i), file), values[i])
        << "value [" << values[i] << "]";
  }
}

TEST(ProfileFile, MissingAndEmptyAreDifferent) {
  test::TempDirectory dir;
  std::string file = dir.File("a.ini");
  EXPECT_EQ(GetProfileString("S", "K", "dflt", file), "dflt") << "missing file";
  ASSERT_EQ(PutProfileString("S", "K", "", file), ProfileStatus::kOk);
  EXPECT_EQ(GetProfileString("S", "K", "dflt", file), "");
  EXPECT_EQ(GetProfileString("S", "Other", "dflt", file), "dflt") << "missing entry";
  EXPECT_EQ(GetProfileString("T", "K", "dflt", file), "dflt") << "missing section";
}

TEST(ProfileFile, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  test::TempDirectory dir;
  std::string file = dir.File("case.ini");
  ASSERT_EQ(PutProfileString("MSSQLConnect", "LOC:Server", "one", file), ProfileStatus::kOk);
  ASSERT_EQ(PutProfileString("mssqlconnect", "loc:SERVER", "two", file), ProfileStatus::kOk);
  ASSERT_EQ(PutProfileString(" MssqlConnect ", " Loc:Server\t", "three", file), ProfileStatus::kOk);
  EXPECT_EQ(FindProfileString("MSSQLCONNECT", "LOC:SERVER", file), "three");
  std::string text = ReadText(file);
  EXPECT_EQ(CountOf(text, "[MSSQLConnect]"), 1) << text;
  EXPECT_EQ(CountOf(text, "LOC:Server=three"), 1) << text;
  EXPECT_EQ(CountOf(text, "="), 1) << text;
}

TEST(ProfileFile, CommentsOtherSectionsAndLineEndsAreKept) {
  struct Case {
    const char* name;
    std::string original;
  };
  const std::string body =
      "; file comment\n"
      "\n"
      "; about the first section\n"
      "[First]\n"
      "; about a\n"
      "a=1\n"
      "b = 2\n"
      "# about second\n"
      "[Second]\n"
      "x=ü\n"
      "; closing remark\n";
  std::string crlf;
  for (char c : body) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const Case cases[] = {{"plain", body}, {"crlf", crlf}, {"bom", "\xEF\xBB\xBF" + body}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDirectory dir;
    std::string file = dir.File("c.ini");
    WriteText(file, c.original);
    ASSERT_EQ(PutProfileString("First", "a", "changed", file), ProfileStatus::kOk);
    ASSERT_EQ(PutProfileString("First", "new", "n", file), ProfileStatus::kOk);
    ASSERT_EQ(PutProfileString("Third", "t", "3", file), ProfileStatus::kOk);
    std::string text = ReadText(file);
    for (const char* comment : {"; file comment", "; about the first section", "; about a",
                                "# about second", "; closing remark"}) {
      EXPECT_EQ(CountOf(text, comment), 1) << comment << "\n" << text;
    }
    EXPECT_EQ(FindProfileString("First", "b", file), "2");
    EXPECT_EQ(FindProfileString("Second", "x", file), "ü");
    EXPECT_EQ(FindProfileString("First", "a", file), "changed");
    EXPECT_EQ(FindProfileString("Third", "t", file), "3");
    EXPECT_EQ(text.rfind("; closing remark"), text.size() - 17 - (c.original == crlf ? 1 : 0))
        << "the closing comment stays last";
    EXPECT_EQ(text.compare(0, 3, "\xEF\xBB\xBF") == 0,
              c.original.compare(0, 3, "\xEF\xBB\xBF") == 0);
    EXPECT_EQ(CountOf(text, "\r\n") == CountOf(text, "\n"), c.original == crlf) << text;

    // Rewriting again and again does not make the file grow.
    ASSERT_EQ(PutProfileString("First", "a", "x", file), ProfileStatus::kOk);
    std::size_t size = ReadText(file).size();
    for (int i = 0; i < 3; ++i) {
      ASSERT_EQ(PutProfileString("First", "a", "y", file), ProfileStatus::kOk);
      ASSERT_EQ(PutProfileString("First", "a", "x", file), ProfileStatus::kOk);
    }
    EXPECT_EQ(ReadText(file).size(), size);
  }
}

TEST(ProfileFile, DeleteRemovesOnlyThatEntryAndCreatesNothing) {
  test::TempDirectory dir;
  std::string file = dir.File("d.ini");
  EXPECT_EQ(DeleteProfileEntry("S", "K", file), ProfileStatus::kOk);
  EXPECT_NE(::access(file.c_str(), F_OK), 0) << "deleting from a missing file creates it";

  ASSERT_EQ(PutProfileString("S", "K", "1", file), ProfileStatus::kOk);
  ASSERT_EQ(PutProfileString("S", "L", "2", file), ProfileStatus::kOk);
  EXPECT_EQ(DeleteProfileEntry("s", "k", file), ProfileStatus::kOk);
  EXPECT_EQ(FindProfileString("S", "K", file), std::nullopt);
  EXPECT_EQ(FindProfileString("S", "L", file), "2");

  struct stat before {};
  ::stat(file.c_str(), &before);
  EXPECT_EQ(DeleteProfileEntry("S", "K", file), ProfileStatus::kOk);
  EXPECT_EQ(DeleteProfileEntry("Nowhere", "K", file), ProfileStatus::kOk);
  EXPECT_EQ(PutProfileString("S", "L", "2", file), ProfileStatus::kOk);
  struct stat after {};
  ::stat(file.c_str(), &after);
  EXPECT_EQ(before.st_ino, after.st_ino) << "a change that changes nothing rewrote the file";
}

TEST(ProfileFile, NewFilesAreOwnerOnlyAndExistingModesAreKept) {
  test::TempDirectory dir;
  mode_t oldMask = ::umask(022);
  std::string fresh = dir.File("fresh.ini");
  ASSERT_EQ(PutProfileString("MSSQLConnect", "LOC:Pass", "secret", fresh), ProfileStatus::kOk);
  EXPECT_EQ(ModeOf(fresh), 0600u);

  std::string shared = dir.File("shared.ini");
  WriteText(shared, "[S]\nK=1\n");
  ::chmod(shared.c_str(), 0644);
  ASSERT_EQ(PutProfileString("S", "K", "2", shared), ProfileStatus::kOk);
  EXPECT_EQ(ModeOf(shared), 0644u);
  ::umask(oldMask);

  // No temporary file is left beside them.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++entries;
  EXPECT_EQ(entries, 2);

  // The temporary file of a writer killed before its rename (a copy holding the password) goes
  // with the next write; a hidden file of another name stays.
  WriteText(dir.File(".fresh.ini.new-a1B2c3"), "[MSSQLConnect]\nLOC:Pass=secret\n");
  WriteText(dir.File(".fresh.ini.backup"), "kept");
  ASSERT_EQ(PutProfileString("S", "K", "3", fresh), ProfileStatus::kOk);
  EXPECT_FALSE(std::filesystem::exists(dir.File(".fresh.ini.new-a1B2c3")));
  EXPECT_EQ(ReadText(dir.File(".fresh.ini.backup")), "kept");
}

TEST(ProfileFile, UnstorableNamesAndValuesAreRefusedAndChangeNothing) {
  struct Case {
    const char* section;
    const char* entry;
    std::string value;
    ProfileStatus expected;
  };
  const Case cases[] = {
      {"a]b", "K", "v", ProfileStatus::kInvalidName},
      {"", "K", "v", ProfileStatus::kInvalidName},
      {"  ", "K", "v", ProfileStatus::kInvalidName},
      {"S", "a=b", "v", ProfileStatus::kInvalidName},
      {"S", ";x", "v", ProfileStatus::kInvalidName},
      {"S", "#x", "v", ProfileStatus::kInvalidName},
      {"S", "[x", "v", ProfileStatus::kInvalidName},
      {"S", "", "v", ProfileStatus::kInvalidName},
      {"S\nT", "K", "v", ProfileStatus::kInvalidName},
      {"S", "K", "two\nlines", ProfileStatus::kInvalidValue},
      {"S", "K", "cr\rhere", ProfileStatus::kInvalidValue},
      {"S", "K", std::string("nul\0x", 5), ProfileStatus::kInvalidValue},
  };
  test::TempDirectory dir;
  std::string file = dir.File("bad.ini");
  for (const Case& c : cases) {
    EXPECT_EQ(PutProfileString(c.section, c.entry, c.value, file), c.expected)
        << c.section << " / " << c.entry;
  }
  EXPECT_NE(::access(file.c_str(), F_OK), 0) << "a refused write created the file";
}

// A NUL byte (left by a crash of the file system, or an editor) or a line the parser cannot
// read never stops reads or writes: the entries around it read as stored, and the next write
// moves the damaged lines, byte for byte, to the side file before it rewrites the file.
TEST(ProfileFile, DamagedLinesAreSetAsideAndWritesGoOn) {
  using namespace std::string_literals;
  struct Case {
    const char* name;
    std::string contents;
    std::vector<std::pair<std::string, std::string>> readable;  // section/entry -> value
    std::string setAside;                                       // what the side file receives
  };
  const Case cases[] = {
      {"a NUL line between sections",
       "[S]\nK=1\n\0junk\n[T]\nX=2\n"s,
       {{"S/K", "1"}, {"T/X", "2"}},
       "\0junk\n"s},
      {"a NUL inside an entry",
       "[S]\nA=1\nB=ab\0cd\nC=3\n"s,
       {{"S/A", "1"}, {"S/C", "3"}},
       "B=ab\0cd\n"s},
      {"a run of NULs at the end, without a line break",
       "[MSSQLConnect]\nLOC:Server=srv\n\0\0\0\0"s,
       {{"MSSQLConnect/LOC:Server", "srv"}},
       "\0\0\0\0\n"s},
      {"a damaged header takes its entries along",
       "[S]\nA=1\n[T\0]\nB=2\n; note\n[U]\nC=3\n"s,
       {{"S/A", "1"}, {"U/C", "3"}},
       "[T\0]\nB=2\n; note\n"s},
      {"text that is no entry, and a header without its bracket",
       "[S]\nA=1\njust words\n=orphan\n[V\nD=4\n"s,
       {{"S/A", "1"}},
       "just words\n=orphan\n[V\nD=4\n"s},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDirectory dir;
    const std::string file = dir.File("Korvandel.INI");
    WriteText(file, c.contents);
    for (const auto& [key, value] : c.readable) {
      const std::string section = key.substr(0, key.find('/'));
      EXPECT_EQ(FindProfileString(section, key.substr(key.find('/') + 1), file), value) << key;
    }
    ASSERT_EQ(PutProfileString("SQLConnect", "XPos", "10", file), ProfileStatus::kOk);
    const std::string after = ReadText(file);
    EXPECT_EQ(after.find('\0'), std::string::npos);
    EXPECT_EQ(FindProfileString("SQLConnect", "XPos", file), "10");
    for (const auto& [key, value] : c.readable) {
      const std::string section = key.substr(0, key.find('/'));
      EXPECT_EQ(FindProfileString(section, key.substr(key.find('/') + 1), file), value) << key;
    }
    const std::string side = ReadText(DamagedLinesFileName(file));
    const std::size_t header = side.find('\n');
    ASSERT_NE(header, std::string::npos);
    EXPECT_EQ(side.rfind("; set aside from Korvandel.INI on ", 0), 0u) << side;
    EXPECT_EQ(side.substr(header + 1), c.setAside);
    EXPECT_EQ(ModeOf(DamagedLinesFileName(file)) & 077, 0u);
    // Later writes find nothing more to set aside.
    ASSERT_EQ(PutProfileString("SQLConnect", "YPos", "20", file), ProfileStatus::kOk);
    EXPECT_EQ(ReadText(DamagedLinesFileName(file)), side);
  }
}

TEST(ProfileFile, BatchesApplyInOrderAndWhollyOrNotAtAll) {
  test::TempDirectory dir;
  std::string file = dir.File("batch.ini");
  EXPECT_EQ(ApplyProfileChanges({{"S", "gone", std::nullopt}}, file), ProfileStatus::kOk);
  EXPECT_NE(::access(file.c_str(), F_OK), 0) << "a batch of deletes created the file";

  ASSERT_EQ(ApplyProfileChanges({{"S", "a", "1"},
                                 {"S", "b", "2"},
                                 {"S", "a", "3"},
                                 {"T", "c", "4"},
                                 {"T", "c", std::nullopt}},
                                file),
            ProfileStatus::kOk);
  EXPECT_EQ(FindProfileString("S", "a", file), "3") << "later changes win";
  EXPECT_EQ(FindProfileString("S", "b", file), "2");
  EXPECT_EQ(FindProfileString("T", "c", file), std::nullopt);

  std::string before = ReadText(file);
  EXPECT_EQ(ApplyProfileChanges({{"S", "a", "9"}, {"S", "bad", "two\nlines"}}, file),
            ProfileStatus::kInvalidValue);
  EXPECT_EQ(ApplyProfileChanges({{"S", "a", "9"}, {"S", "x=y", "1"}}, file),
            ProfileStatus::kInvalidName);
  EXPECT_EQ(ReadText(file), before) << "a refused batch changed the file";
}

TEST(ProfileFile, RelativeNamesResolveInTheWorkingDirectoryAndLinksAreFollowed) {
  test::TempDirectory dir;
  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  EXPECT_EQ(ShortCurrentDirectory(), std::filesystem::canonical(dir.path()).string());
  ProfileStatus status = PutProfileString("S", "K", "here", "Korvandel.INI");
  ASSERT_EQ(::chdir(previous), 0);
  ASSERT_EQ(status, ProfileStatus::kOk);
  EXPECT_EQ(FindProfileString("S", "K", dir.File("Korvandel.INI")), "here");

  std::string link = dir.File("link.ini");
  ASSERT_EQ(::symlink(dir.File("Korvandel.INI").c_str(), link.c_str()), 0);
  ASSERT_EQ(PutProfileString("S", "K", "via link", link), ProfileStatus::kOk);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(FindProfileString("S", "K", dir.File("Korvandel.INI")), "via link");
}

TEST(ProfileFile, ThreadsWritingTheSameFileLoseNothing) {
  test::TempDirectory dir;
  std::string file = dir.File("threads.ini");
  constexpr int kThreads = 6;
  constexpr int kEach = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        std::string section = "T" + std::to_string(i % 3);
        (void)PutProfileString(section, "t" + std::to_string(t) + "_" + std::to_string(i),
                               std::to_string(t * 1000 + i), file);
      }
    });
  }
  for (auto& t : threads) t.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kEach; ++i) {
      EXPECT_EQ(FindProfileString("T" + std::to_string(i % 3),
                                  "t" + std::to_string(t) + "_" + std::to_string(i), file),
                std::to_string(t * 1000 + i));
    }
  }
}

TEST(ProfileFile, ProcessesSeeEachOthersWritesAndLoseNone) {
  test::TempDirectory dir;
  std::string file = dir.File("shared.INI");
  {
    test::ChildProcess child([&] {
      return PutProfileString("S", "fromChild", "c1", file) == ProfileStatus::kOk ? 0 : 1;
    });
    EXPECT_EQ(child.Wait(), 0);
  }
  EXPECT_EQ(FindProfileString("S", "FROMCHILD", file), "c1");
  ASSERT_EQ(PutProfileString("S", "fromParent", "p1", file), ProfileStatus::kOk);
  {
    test::ChildProcess child(
        [&] { return FindProfileString("s", "fromparent", file) == "p1" ? 0 : 1; });
    EXPECT_EQ(child.Wait(), 0) << "the child did not see the parent's write";
  }

  // Several processes writing at once: every entry of every writer is there at the end.
  constexpr int kWriters = 3;
  constexpr int kEach = 30;
  std::vector<std::unique_ptr<test::ChildProcess>> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.push_back(std::make_unique<test::ChildProcess>([&, w] {
      for (int i = 0; i < kEach; ++i) {
        if (PutProfileString("W", "w" + std::to_string(w) + "_" + std::to_string(i), "v", file) !=
            ProfileStatus::kOk) {
          return 1;
        }
      }
      return 0;
    }));
  }
  for (int i = 0; i < kEach; ++i) {
    ASSERT_EQ(PutProfileString("W", "parent_" + std::to_string(i), "v", file), ProfileStatus::kOk);
  }
  for (auto& w : writers) EXPECT_EQ(w->Wait(), 0);
  int missing = 0;
  for (int i = 0; i < kEach; ++i) {
    if (!FindProfileString("W", "parent_" + std::to_string(i), file)) ++missing;
    for (int w = 0; w < kWriters; ++w) {
      if (!FindProfileString("W", "w" + std::to_string(w) + "_" + std::to_string(i), file)) {
        ++missing;
      }
    }
  }
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(FindProfileString("S", "fromChild", file), "c1");
}

}  // namespace
}  // namespace kv
