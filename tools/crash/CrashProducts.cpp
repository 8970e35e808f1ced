#include "tools/crash/CrashProducts.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "app/Globals.h"
#include "app/data/ProductsManagers.h"
#include "app/data/ProductsTables.h"
#include "framework/errors/ErrorStatus.h"
#include "platform/thread/LogicalThread.h"

namespace kv::crash {

std::string ProductCode(int n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Crash-Prod\xC3\xBCkt-#%04d", n % 10000);  // 20 bytes
  return buf;
}

std::string Description(int n, long version) {
  // Two-, three- and four-byte characters in an order that moves with the version.
  static const char* const kPieces[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xC3\x9F", "\xF0\x9F\x98\x80",
                                        "\xD7\x90"};
  char head[32];
  std::snprintf(head, sizeof head, "v%ld n%d ", version, n);
  std::string text = head;
  for (int i = 0;; ++i) {
    const std::string piece = kPieces[(version + i) % 5];
    if (text.size() + piece.size() > 50) break;
    text += piece;
  }
  text.append(50 - text.size(), '.');
  return text;
}

std::string Price(int n, long version) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%ld.%02d", version % 100000000, n % 100);
  return buf;
}

std::string Payload(long generation) {
  std::string text;
  while (text.size() < 2048) text += "g" + std::to_string(generation) + ";";
  return text;
}

bool ReadJournal(const std::string& file, Journal* journal) {
  std::ifstream in(file);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line) && !in.eof()) {
    std::istringstream words(line);
    std::string what;
    words >> what;
    if (what == "save") {
      int n = 0;
      long v = 0;
      long sequence = 0;
      if (words >> n >> v) journal->saved[n] = v;
      if (words >> sequence) journal->lastSequence = sequence;
      ++journal->saves;
    } else if (what == "ini") {
      words >> journal->iniGeneration;
    } else if (what == "failed") {
      ++journal->failures;
      journal->failureLines.push_back(line);
    }
  }
  return true;
}

namespace {

void Append(int fd, const std::string& line) {
  const std::string text = line + "\n";
  (void)!::write(fd, text.data(), text.size());
}

void Fill(ProductsRecord& rec, int n, long version) {
  (void)VarRef(rec.PCODE).SetText(ProductCode(n));
  (void)VarRef(rec.DESCRIPTION).SetText(Description(n, version));
  (void)VarRef(rec.PRICE).SetText(Price(n, version));
  rec.PROVIDERID = Long(version);
}

}  // namespace

int RunWorker(const std::string& owner, int products, unsigned seed, long maxSaves) {
  // A worker never outlives its coordinator, whatever ends the coordinator.
  (void)::prctl(PR_SET_PDEATHSIG, SIGKILL);
  AdoptCurrentThread();
  GlobalErrors.Init(ErrorStatus::ThisThread());
  INIMgr.Init(kSettingsFileName, kIniSettingsFile, 0);
  ConnectionOwner.Set(owner);
  CreateProductsManagers();
  ProductsFileManager& file = *ProductsFile();
  if (ProductsRelations()->Open() != Benign) {
    std::fprintf(stderr, "kvcrash worker: Products cannot be opened (message %d)\n",
                 int(file.LASTERROR));
    return 1;
  }
  const int journal = ::open("journal", O_WRONLY | O_APPEND | O_CREAT, 0600);
  ProductsRecord& rec = ProductsBuffer();
  // The versions stored now (the previous worker may have been killed after a save it had
  // not yet journaled).
  std::vector<long> version(products + 1, 0);
  for (int n = 1; n <= products; ++n) {
    (void)VarRef(rec.PCODE).SetText(ProductCode(n));
    if (file.TryFetch(kProductsKeyPcode) == Benign) version[n] = rec.PROVIDERID;
  }
  long generation = std::stol("0" + INIMgr.TryFetch(kSection, "Generation"));
  std::fclose(std::fopen("ready", "w"));

  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pick(1, products);
  for (long saves = 0; saves < maxSaves;) {
    const int n = pick(random);
    const long next = version[n] + 1;
    ResultLevel result;
    if (version[n] == 0) {
      (void)file.PrimeRecord(false);
      Fill(rec, n, next);
      result = file.Insert();
    } else {
      (void)VarRef(rec.PCODE).SetText(ProductCode(n));
      if (file.Fetch(kProductsKeyPcode) != Benign) {
        Append(journal, "failed " + std::to_string(n) + " read " + std::to_string(file.LASTERROR));
        continue;
      }
      Fill(rec, n, next);
      result = file.Update();
    }
    if (result != Benign) {
      Append(journal, "failed " + std::to_string(n) + " " + std::to_string(next) + " " +
                          std::to_string(file.LASTERROR));
      continue;
    }
    version[n] = next;
    Append(journal, "save " + std::to_string(n) + " " + std::to_string(next));
    if (++saves % 4 == 0) {
      ++generation;
      INIMgr.Update(kSection, "Generation", std::to_string(generation));
      INIMgr.Update(kSection, "Payload", Payload(generation));
      Append(journal, "ini " + std::to_string(generation));
    }
  }
  (void)ProductsRelations()->Close();
  return 0;
}

}  // namespace kv::crash
