#include "tools/script/SampleFile.h"

namespace kv::sample {

void PrepareTable(const TableDecl& decl, const std::function<void(Table&)>& fill) {
  Table& t = decl.Instance();
  if (t.Open() == kNoFileError && t.Create() == kNoError) (void)t.Open();
  if (!t.IsOpen()) return;
  (void)t.SetKey(0);
  if (t.Next() == kNoRecordError) fill(t);
  (void)t.Close();
}

void SampleFile::Init() {
  INITIALIZED = false;
  FILE = &decl_.Instance();
  BUFFER = RecordBuffer::Of(*FILE);
  FILENAMEVALUE = name_;
  SetErrors(&errors_);
  FileManager::Init();
}

ResultLevel SampleFile::PrepareUse(UseKind kind) {
  if (kind != Initialize) {
    (void)PrepareUse(Initialize);
  } else if (!INITIALIZED) {
    INUSEFILE = true;
    InitFile(&decl_.Instance(), &errors_);
    (void)AddKey(1, keyDescription_);
  }
  return FileManager::PrepareUse(kind);
}

void RunOverTable(const TableDecl& decl, const char* name, const char* keyDescription,
                  const std::function<void(SampleFile&, RelationManager&, ErrorManager&)>& list) {
  ErrorStatus status;
  ErrorManager errors;
  errors.Init(status);
  {
    SampleFile file(decl, name, keyDescription, errors);
    file.Init();
    RelationManager relations;
    relations.Init(file, false);
    (void)file.PrepareUse(Initialize);
    list(file, relations, errors);
    relations.Kill();
    file.Kill();
  }
  errors.Kill();
}

}  // namespace kv::sample
