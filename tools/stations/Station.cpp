#include "tools/stations/Station.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>

#include "framework/errors/MessageIds.h"
#include "platform/window/ModalServices.h"

namespace kv::stations {

const FieldTableLayout& ItemLayout() {
  static const FieldTable fields = FieldTable::For<ItemRec>({
      KV_FIELD(ItemRec, CODE, "STA:CODE", "@s10", "Code"),
      KV_FIELD(ItemRec, CHANGES, "STA:CHANGES", "@n-14", "Changes"),
      KV_FIELD(ItemRec, LASTBY, "STA:LASTBY", "@s16", "LastBy"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}

std::unique_ptr<TableDecl> MakeItemsTable(const std::string& owner, const std::string& name) {
  auto decl = std::make_unique<TableDecl>(name, name, kSqlDriver, ItemLayout());
  decl->SetOwnerText(owner);
  decl->AddKey({"STA:PK_Code", "", {{0, true}}, false, false, true});
  return decl;
}

std::string ProductCode(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "P%04d", n);
  return buf;
}

void ItemsManager::Init() {
  INITIALIZED = false;
  FILE = &decl_.Instance();
  BUFFER = RecordBuffer::Of(*FILE);
  FILENAMEVALUE = "StationItems";
  SetErrors(&errors_);
  FileManager::Init();
}

ResultLevel ItemsManager::PrepareUse(UseKind kind) {
  if (kind != Initialize) {
    (void)PrepareUse(Initialize);
  } else if (!INITIALIZED) {
    INUSEFILE = true;
    InitFile(&decl_.Instance(), &errors_);
    (void)AddKey(1, "STA:PK_Code", 0);
  }
  return FileManager::PrepareUse(kind);
}

int TitleRecorder::ShowMessageBox(ResultLevel, std::string_view, std::string_view title,
                                  std::uint32_t, int, int, int) {
  titles.emplace_back(title);
  return kButtonOk;
}

StationResult RunStation(const std::string& owner, const std::string& table, int products,
                         int changes, unsigned seed, const std::function<void()>& ready) {
  StationResult r;
  ErrorStatus status;
  TitleRecorder errors;
  errors.Init(status);
  auto decl = MakeItemsTable(owner, table);
  ItemsManager fm(*decl, errors);
  fm.Init();
  if (fm.Open() != Benign) {
    r.other = changes;
    r.otherTitles.push_back("the table could not be opened");
    return r;
  }
  if (ready) ready();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pick(1, products);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < changes; ++i) {
    const int product = pick(random);
    (void)VarRef(fm.Rec().CODE).SetText(ProductCode(product));
    const std::size_t told = errors.titles.size();
    if (fm.Fetch(1) != Benign) {
      ++r.other;
      r.otherTitles.push_back("read failed");
      continue;
    }
    const long next = long(fm.Rec().CHANGES) + 1;
    fm.Rec().CHANGES = Long(next);
    (void)VarRef(fm.Rec().LASTBY)
        .SetText("S" + std::to_string(seed % 1000) + "#" + std::to_string(i));
    const ResultLevel result = fm.Update();
    const bool toldRefusal =
        errors.titles.size() == told + 1 && errors.titles.back() == "Record Was Not Updated";
    if (result == Benign && errors.titles.size() == told) {
      ++r.written;
      r.values.emplace_back(product, next);
    } else if (fm.LASTERROR == MsgChangedElsewhere) {
      ++r.refused;
      r.refusedTold += toldRefusal ? 1 : 0;
    } else {
      ++r.other;
      for (std::size_t t = told; t < errors.titles.size(); ++t)
        r.otherTitles.push_back(errors.titles[t]);
    }
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  (void)fm.Close();
  fm.Kill();
  errors.Kill();
  return r;
}

bool SaveResult(const StationResult& r, const std::string& file) {
  std::ofstream out(file);
  out << r.written << ' ' << r.refused << ' ' << r.refusedTold << ' ' << r.other << ' ' << r.seconds
      << '\n';
  for (const auto& [product, value] : r.values) out << product << ' ' << value << '\n';
  for (const std::string& t : r.otherTitles) out << "other " << t << '\n';
  return bool(out);
}

bool LoadResult(const std::string& file, StationResult* r) {
  std::ifstream in(file);
  if (!(in >> r->written >> r->refused >> r->refusedTold >> r->other >> r->seconds)) return false;
  for (int i = 0; i < r->written; ++i) {
    int product = 0;
    long value = 0;
    if (!(in >> product >> value)) return false;
    r->values.emplace_back(product, value);
  }
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line))
    if (line.rfind("other ", 0) == 0) r->otherTitles.push_back(line.substr(6));
  return true;
}

}  // namespace kv::stations
