#include "tests/declarations/declarations_fixture.h"

#include <unistd.h>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "engine/dao.h"
#include "frame/message_box.h"
#include "frame/zive_general.h"
#include "upgrade/base_layout.h"
#include "upgrade/cZIVETraspaso.h"

namespace svrZIVE::testing {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  path_ = fs::temp_directory_path() /
          ("zive_declarations_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

namespace {

// The database `zive init` makes: the first layout, then the upgrade.
const std::string& initialisedTemplate() {
  static const std::unique_ptr<ScratchDir> dir = std::make_unique<ScratchDir>();
  static const std::string path = [] {
    std::string file = (dir->path() / "ZIVEMOD.MDB").string();
    {
      auto db = engine::DBEngine::forThread().createDatabase(file);
      upgrade::createBaseLayout(*db);
      db->close();
    }
    std::vector<std::string> shown;
    {
      ScopedMessageCallback messages([&](const std::string& text, int) { shown.push_back(text); });
      cZIVETraspaso traspaso;
      traspaso.mdbmod(file);
      traspaso.mdbPath(dir->path().string() + "/");
      traspaso.Traspaso();
    }
    if (!shown.empty()) throw std::runtime_error("the upgrade of a new database showed: " + shown.front());
    return file;
  }();
  return path;
}

}  // namespace

std::string freshModifiable(const ScratchDir& dir) {
  std::string file = (dir.path() / "ZIVEMOD.MDB").string();
  fs::copy_file(initialisedTemplate(), file, fs::copy_options::overwrite_existing);
  return file;
}

void execute(const std::string& file, const std::string& sql) {
  auto db = engine::DBEngine::forThread().openDatabase(file);
  db->execute(sql);
  db->close();
}

std::vector<std::vector<std::string>> rows(const std::string& file, const std::string& query) {
  auto db = engine::DBEngine::forThread().openDatabase(file);
  auto rs = db->openRecordset(query);
  std::vector<std::vector<std::string>> out;
  while (!rs->eof()) {
    std::vector<std::string> row;
    for (int32_t c = 0; c < rs->fields().count(); ++c) {
      Variant v = rs->value(c);
      row.push_back(v.isNull() ? "Null" : v.toText());
    }
    out.push_back(std::move(row));
    rs->moveNext();
  }
  rs->close();
  db->close();
  return out;
}

int32_t count(const std::string& file, const std::string& table) {
  return std::stoi(rows(file, "SELECT COUNT(*) FROM " + table).at(0).at(0));
}

Raised raisedBy(const std::function<void()>& work) {
  try {
    work();
  } catch (const AutomationError& e) {
    return {e.number(), e.source(), e.description()};
  }
  return {};
}

Variant declarantBuffer(const std::string& nif, const std::string& name) {
  VariantArray b = VariantArray::vector(0, 15);
  b[1] = Variant(nif);
  b[2] = Variant(name);
  b[3] = Variant("CL");
  b[4] = Variant("MAYOR");
  b[5] = Variant(int32_t{7});
  b[6] = Variant("B");
  b[7] = Variant("2");
  b[8] = Variant("3");
  b[9] = Variant("IZ");
  b[10] = Variant(int16_t{20});
  b[11] = Variant(int32_t{20001});
  b[12] = Variant(int16_t{69});
  b[13] = Variant("DONOSTIA");
  b[14] = Variant(int16_t{943});
  b[15] = Variant(int32_t{600123});
  return Variant(std::move(b));
}

Variant declarationBuffer(int32_t csde, int32_t year, int32_t periodicity, int32_t period,
                          const std::string& model, int32_t typology) {
  VariantArray b = VariantArray::vector(0, 12);
  b[1] = Variant(csde);
  b[2] = Variant(year);
  b[3] = Variant(periodicity);
  b[4] = Variant(period);
  b[5] = Variant(model);
  b[6] = Variant(typology);
  b[7] = Variant(0.0);
  for (int32_t i = 8; i <= 12; ++i) b[i] = Variant("");
  return Variant(std::move(b));
}

void DeclarationsTest::SetUp() {
  ZIVEGeneral::endThreadState();
  mod_ = freshModifiable(dir_);
  ZIVEGeneral::setModifiablePath(mod_);
}

void DeclarationsTest::TearDown() {
  engine::setStatementTrace({});
  ZIVEGeneral::endThreadState();
}

}  // namespace svrZIVE::testing
