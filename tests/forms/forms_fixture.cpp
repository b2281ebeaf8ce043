#include "tests/forms/forms_fixture.h"

#include <unistd.h>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "engine/dao.h"
#include "frame/message_box.h"
#include "frame/zive_general.h"
#include "reference/reference_database.h"
#include "upgrade/base_layout.h"
#include "upgrade/cZIVETraspaso.h"

namespace svrZIVE::testing {

namespace fs = std::filesystem;

FormsDir::FormsDir() {
  static std::atomic<int> counter{0};
  path_ = fs::temp_directory_path() / ("zive_forms_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

FormsDir::~FormsDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

namespace {

const FormsDir& programDir() {
  static const std::unique_ptr<FormsDir> dir = std::make_unique<FormsDir>();
  return *dir;
}

const std::string& initialisedTemplate() {
  static const std::string path = [] {
    fs::create_directories(programDir().path() / "template");
    std::string folder = (programDir().path() / "template").string() + "/";
    std::string file = folder + "ZIVEMOD.MDB";
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
      traspaso.mdbPath(folder);
      traspaso.Traspaso();
    }
    if (!shown.empty()) throw std::runtime_error("the upgrade of a new database showed: " + shown.front());
    return file;
  }();
  return path;
}

}  // namespace

std::string freshModifiable(const FormsDir& dir) {
  std::string file = (dir.path() / "ZIVEMOD.MDB").string();
  fs::copy_file(initialisedTemplate(), file, fs::copy_options::overwrite_existing);
  return file;
}

const std::string& sampleReference() {
  static const std::string path = [] {
    std::string file = (programDir().path() / "ZIVELEC.MDB").string();
    createReferenceDatabase(file, findReferenceSeedDir());
    return file;
  }();
  return path;
}

std::string referenceWith(const FormsDir& dir, const std::string& name, const std::vector<std::string>& statements) {
  std::string file = (dir.path() / name).string();
  auto db = engine::DBEngine::forThread().createDatabase(file);
  for (const std::string& s : statements) db->execute(s);
  db->close();
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

std::vector<std::string> fieldNames(const std::string& file, const std::string& table) {
  auto db = engine::DBEngine::forThread().openDatabase(file);
  auto rs = db->openRecordset("SELECT * FROM " + table);
  std::vector<std::string> names;
  for (int32_t c = 0; c < rs->fields().count(); ++c) names.push_back(rs->fields().item(c)->name());
  rs->close();
  db->close();
  return names;
}

Raised raisedBy(const std::function<void()>& work) {
  try {
    work();
  } catch (const AutomationError& e) {
    return {e.number(), e.source(), e.description()};
  }
  return {};
}

StatementLog::StatementLog() {
  engine::setStatementTrace([this](std::string_view jet, std::string_view) { statements_.emplace_back(jet); });
}

StatementLog::~StatementLog() { engine::setStatementTrace({}); }

std::vector<std::string> StatementLog::startingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& s : statements_) {
    if (s.size() < prefix.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < prefix.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(s[i])) == std::tolower(static_cast<unsigned char>(prefix[i]));
    if (same) out.push_back(s);
  }
  return out;
}

void insertHeader(const std::string& file, int32_t secdec, int32_t csde, int32_t year, const std::string& periodicity,
                  int32_t period, int32_t typology, const std::string& model) {
  std::string pernum = (period < 10 ? "0" : "") + std::to_string(period);
  execute(file,
          "INSERT INTO T02_Declaraciones (T02_SECDEC, T02_CSDE, T02_EJER, T02_PERDAD, T02_PERNUM, T02_MODELO, "
          "T02_TIPOL, T02_IMPFIN, T02_CAE, T02_TTA, T02_NESTAB, T02_DIRESTAB, T02_ADMCOM) VALUES (" +
              std::to_string(secdec) + "," + std::to_string(csde) + "," + std::to_string(year) + ",'" + periodicity +
              "','" + pernum + "','" + model + "'," + std::to_string(typology) + ",0,' ',' ',' ',' ',' ')");
}

double headerAmount(const std::string& file, int32_t secdec) {
  auto r = rows(file, "SELECT T02_IMPFIN FROM T02_Declaraciones WHERE T02_SECDEC = " + std::to_string(secdec));
  if (r.empty()) throw std::runtime_error("no header " + std::to_string(secdec));
  return std::stod(r[0][0]);
}

VariantArray numberedBuffer(int32_t n, double first) {
  VariantArray b = VariantArray::vector(0, n - 1);
  for (int32_t i = 0; i < n; ++i) b[i] = Variant(first + i);
  return b;
}

void FormsTest::SetUp() {
  ZIVEGeneral::endThreadState();
  mod_ = freshModifiable(dir_);
  ZIVEGeneral::setModifiablePath(mod_);
  ZIVEGeneral::setReferencePath(sampleReference());
}

void FormsTest::TearDown() {
  engine::setStatementTrace({});
  ZIVEGeneral::endThreadState();
}

}  // namespace svrZIVE::testing
