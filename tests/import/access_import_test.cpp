// The import of the Northwind sample (Jet 3) checked against what mdbtools
// reads from the file on its own, the way mdb-export reads it: every table,
// field and record.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <mdbtools.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fstream>
#include <tuple>

#include "engine/dao.h"
#include "import/access_file.h"
#include "import/access_import.h"
#include "tests/engine/engine_test_support.h"

namespace svrZIVE::access {
namespace {

using engine::DaoType;
using engine::testing::TempFolder;
using ::testing::HasSubstr;

const std::string kNorthwind = std::string(ZIVE_ACCESS_TESTDATA) + "/nwind.mdb";

// A table as mdbtools hands it out: field names, and each record as one text
// per field (bound values; OLE fields read whole, as mdb-export does).
struct MdbTable {
  std::string name;
  std::vector<std::string> fields;
  std::vector<int> types;
  std::vector<std::vector<std::string>> records;
};

std::vector<MdbTable> readWithMdbtools(const std::string& path) {
  MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  EXPECT_TRUE(mdb);
  mdb_set_bind_size(mdb, 200000);
  mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
  mdb_set_boolean_fmt_numbers(mdb);
  mdb_read_catalog(mdb, MDB_TABLE);
  std::vector<MdbTable> out;
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
    MdbTableDef* table = mdb_read_table(entry);
    mdb_read_columns(table);
    mdb_rewind_table(table);
    MdbTable t{entry->object_name, {}, {}, {}};
    std::vector<std::vector<char>> bound(table->num_cols, std::vector<char>(200000));
    std::vector<int> lengths(table->num_cols);
    for (unsigned k = 0; k < table->num_cols; ++k) {
      auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, k));
      t.fields.push_back(column->name);
      t.types.push_back(column->col_type);
      mdb_bind_column(table, static_cast<int>(k + 1), bound[k].data(), &lengths[k]);
    }
    while (mdb_fetch_row(table)) {
      std::vector<std::string> record;
      for (unsigned k = 0; k < table->num_cols; ++k) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, k));
        if (column->col_type == MDB_OLE && lengths[k] > 0) {
          size_t size = 0;
          void* data = mdb_ole_read_full(mdb, column, &size);
          record.emplace_back(static_cast<char*>(data), size);
          free(data);
        } else {
          record.emplace_back(lengths[k] > 0 ? bound[k].data() : "");
        }
      }
      t.records.push_back(std::move(record));
    }
    mdb_free_tabledef(table);
    out.push_back(std::move(t));
  }
  mdb_close(mdb);
  return out;
}

// An imported value written as mdbtools writes that field's values.
std::string asMdbtoolsWrites(const Variant& v, int type) {
  if (v.isNull()) return "";
  char buffer[64];
  switch (type) {
    case MDB_BOOL: return v.asBoolean() ? "1" : "0";
    case MDB_MONEY: std::snprintf(buffer, sizeof buffer, "%.4f", v.asDouble()); return buffer;
    case MDB_DATETIME: {
      std::tm tm{};
      mdb_date_to_tm(v.toDouble(), &tm);
      std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &tm);
      return buffer;
    }
    case MDB_OLE: return std::string(v.asBytes().begin(), v.asBytes().end());
    default: return v.toText();  // floating point compared as numbers below
  }
}

bool sameValue(const std::string& mdbtools, const std::string& imported, int type) {
  if (type != MDB_FLOAT && type != MDB_DOUBLE) return mdbtools == imported;
  if (mdbtools.empty() || imported.empty()) return mdbtools == imported;
  const double a = std::stod(mdbtools), b = std::stod(imported);
  return std::fabs(a - b) <= std::fabs(a) * (type == MDB_FLOAT ? 1e-7 : 1e-15);
}

class AccessImportTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::string destination_ = folder_.file("nwind.zive");
};

TEST_F(AccessImportTest, EveryTableFieldAndRecordIsWhatMdbtoolsReads) {
  const auto imported = importAccessFile(kNorthwind, destination_);
  const auto expected = readWithMdbtools(kNorthwind);
  ASSERT_EQ(imported.size(), 9u);
  ASSERT_EQ(imported.size(), expected.size());
  auto db = engine::DBEngine::forThread().openDatabase(destination_);
  for (size_t i = 0; i < expected.size(); ++i) {
    const MdbTable& want = expected[i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(imported[i].name, want.name);
    EXPECT_EQ(imported[i].rows, static_cast<int64_t>(want.records.size()));
    auto rs = db->openRecordset("SELECT * FROM [" + want.name + "]");
    ASSERT_EQ(rs->fields().count(), static_cast<int32_t>(want.fields.size()));
    for (size_t k = 0; k < want.fields.size(); ++k) EXPECT_EQ(rs->fields().item(int32_t(k))->name(), want.fields[k]);
    std::vector<std::vector<std::string>> got;
    for (; !rs->eof(); rs->moveNext()) {
      std::vector<std::string> record;
      for (size_t k = 0; k < want.fields.size(); ++k)
        record.push_back(asMdbtoolsWrites(rs->value(int32_t(k)), want.types[k]));
      got.push_back(std::move(record));
    }
    // Tables with an AutoNumber come back in its order; compare as sets.
    auto wantRecords = want.records;
    std::sort(wantRecords.begin(), wantRecords.end());
    std::sort(got.begin(), got.end());
    ASSERT_EQ(got.size(), wantRecords.size());
    for (size_t r = 0; r < got.size(); ++r)
      for (size_t k = 0; k < want.fields.size(); ++k)
        ASSERT_TRUE(sameValue(wantRecords[r][k], got[r][k], want.types[k]))
            << want.fields[k] << ": '" << wantRecords[r][k] << "' imported as '" << got[r][k] << "'";
  }
}

TEST_F(AccessImportTest, FieldsKeepTheirTypesSizesAndProperties) {
  importAccessFile(kNorthwind, destination_);
  auto db = engine::DBEngine::forThread().openDatabase(destination_);
  const struct { const char *table, *field; DaoType type; int32_t size; bool required, allowZeroLength, counter;
                 const char* defaultValue; } cases[] = {
      {"Products", "ProductID", DaoType::Long, 4, false, false, true, ""},
      {"Products", "ProductName", DaoType::Text, 40, true, false, false, ""},
      {"Products", "UnitPrice", DaoType::Currency, 8, false, false, false, "0"},
      {"Products", "UnitsInStock", DaoType::Integer, 2, false, false, false, "0"},
      {"Products", "Discontinued", DaoType::Boolean, 1, false, false, false, "=No"},
      {"Order Details", "Discount", DaoType::Single, 4, true, false, false, "0"},
      {"Orders", "OrderDate", DaoType::Date, 8, false, false, false, ""},
      {"Employees", "Notes", DaoType::Memo, 0, false, false, false, ""},
      {"Categories", "Picture", DaoType::LongBinary, 0, false, false, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.table) + "." + c.field);
    auto f = db->tableDefs().item(c.table)->fields().item(c.field);
    EXPECT_EQ(std::tuple(f->type(), f->size(), f->required(), f->allowZeroLength(),
                         f->attributes() == engine::dbAutoIncrField, f->defaultValue().toText()),
              std::tuple(c.type, c.size, c.required, c.allowZeroLength, c.counter, std::string(c.defaultValue)));
  }
}

TEST(AccessDecimal, EveryDigitMdbtoolsWritesIsKept) {
  const struct { const char* text; const char* value; } cases[] = {
      {"-12.3400", "-12.34"}, {"0.0000", "0"}, {"12345678901234567890123456.78", "12345678901234567890123456.78"},
      {".5", "0.5"}, {"-0.0001", "-0.0001"},
  };
  for (const auto& c : cases) EXPECT_EQ(decimalValue(c.text).toText(), c.value) << c.text;
  EXPECT_EQ(decimalValue("7").type(), VarType::Decimal);
  EXPECT_THROW(decimalValue("12,5"), AutomationError);
}

TEST_F(AccessImportTest, AutoNumbersGoOnAfterTheHighest) {
  importAccessFile(kNorthwind, destination_);
  auto db = engine::DBEngine::forThread().openDatabase(destination_);
  db->execute("INSERT INTO Shippers (CompanyName) VALUES ('Nuevo')");
  auto rs = db->openRecordset("SELECT max(ShipperID) FROM Shippers");
  EXPECT_EQ(rs->value(0).toLong(), 4);
}

TEST_F(AccessImportTest, BadSourcesAndTakenDestinationsWriteNothing) {
  std::ofstream(folder_.file("notes.mdb")) << "not an Access file\n";
  std::ofstream(folder_.file("taken.zive")) << "keep me\n";
  const struct { std::string source, destination; int32_t number; } cases[] = {
      {folder_.file("missing.mdb"), destination_, 3024}, {folder_.file("notes.mdb"), destination_, 3343},
      {folder_.path().string(), destination_, 3051}, {kNorthwind, folder_.file("taken.zive"), 3204}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    const auto e = svrZIVE::testing::errorOf([&] { importAccessFile(c.source, c.destination); });
    ASSERT_TRUE(e) << "imported";
    EXPECT_EQ(e->number(), c.number);
    EXPECT_THAT(e->description(), HasSubstr(c.number == 3204 ? c.destination : c.source));
  }
  EXPECT_FALSE(std::filesystem::exists(destination_));
  std::ifstream taken(folder_.file("taken.zive"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(taken), {}), "keep me\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);
}

}  // namespace
}  // namespace svrZIVE::access
