// The fields the upgrade creates, written down here on their own rather than
// taken from the step tables, against the database `zive init` makes (which
// the upgrade of every earlier layout is compared with): each field's type and
// text size in the catalog, and a text of that many characters saved where one
// more fails with 3163; the first field of a created table is required.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <sstream>

#include "engine/dao.h"
#include "tests/base/base_support.h"
#include "upgrade_support.h"

namespace svrZIVE::upgrade::testing {
namespace {

using engine::DaoType;

struct Case {
  const char* table;
  std::size_t columns;
  // Text fields as NAME:size, a numbered field by its name without the number.
  const char* texts;
  // The fields the upgrade added to a table of the first layout; none: the upgrade made the table.
  const char* added;
};

const Case kCases[] = {
    {"T00_GENERAL", 2, "T00_IDIOMA:9", nullptr},
    {"T02_DECLARACIONES", 13, "T02_CAE:13 T02_TTA:1 T02_ADMCOM:2 T02_NESTAB:25 T02_DIRESTAB:50",
     "T02_CAE T02_TTA T02_ADMCOM T02_NESTAB T02_DIRESTAB"},
    {"T03_TIPOLOGIA1", 17, "",
     "T03_BASEIMP1 T03_TIPO1 T03_CUOTA1 T03_BASEIMP2 T03_TIPO2 T03_CUOTA2 T03_TOTALCUOTA_B T03_TOTALCUOTA_A "
     "T03_BASEEXENTA T03_BASEIMP3 T03_TIPO3 T03_CUOTA3 T03_TOTALCUOTA_N"},
    {"T08_TIPOLOGIA6", 28, "T08_CODEPI:6", "T08_CODEPI6 T08_BASIMP6 T08_TIPO6 T08_CUOTA6"},
    {"T09_TIPOLOGIA5_NUEVA", 76, "T09_CODEPI:6 T09_DEDEPI:6 T09_DEDCON:1", nullptr},
    {"T10_TIPOLOGIA8", 113, "", nullptr}, {"T11_TIPOLOGIA9", 157, "", nullptr},
    {"T12_TIPOLOGIA10", 185, "T12_PE_GRADO:1 T12_PPE_CLAVE:2", nullptr}, {"T13_TIPOLOGIA11", 163, "", nullptr},
    {"T14_TIPOLOGIA12", 127, "T14_CE_EPIG:6", nullptr}, {"T15_TIPOLOGIA13", 97, "T15_EPIG:6", nullptr},
    {"T16_TIPOLOGIA14", 77, "T16_EPIG:6", nullptr}, {"T19_TIPOLOGIA1", 141, "T19_CONCEPTO:1 T19_TARIFA:1", nullptr},
    {"T17_TIPOLOGIA15", 95, "T17_CODEPI:6 T17_DEDEPI:6 T17_DEDCON:1", nullptr},
    {"T18_TIPOLOGIA16", 61, "T18_CUENTA:20 T18_CODEPI:6 T18_REX_AC:2", nullptr},
};

std::string withoutNumber(std::string name) {
  while (!name.empty() && std::isdigit(static_cast<unsigned char>(name.back()))) name.pop_back();
  return name;
}

TEST(CreatedFields, TypesAndTextSizes) {
  TempDir dir;
  std::string file = freshModifiable(dir);
  const LayoutShape& layout = initLayout();
  auto db = engine::DBEngine::forThread().openDatabase(file);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.table);
    std::map<std::string, int32_t> sizes;
    std::istringstream texts(c.texts);
    for (std::string t; texts >> t;) sizes[t.substr(0, t.find(':'))] = std::stoi(t.substr(t.find(':') + 1));
    std::string added = c.added ? std::string(" ") + c.added + " " : "";
    const std::vector<FieldShape>& fields = layout.at(c.table).fields;
    EXPECT_EQ(fields.size(), c.columns);
    if (!c.added) {  // the first field of a created table: required, defaulting to 0 (the settings flag to -1)
      EXPECT_TRUE(fields[0].required);
      EXPECT_EQ(fields[0].defaultValue, std::string(c.table) == "T00_GENERAL" ? "-1" : "0");
    }
    db->execute("INSERT INTO " + std::string(c.table) + " (" + fields[0].name + ") VALUES (1)");
    for (const FieldShape& f : fields) {
      if (c.added && added.find(" " + f.name + " ") == std::string::npos) continue;
      SCOPED_TRACE(f.name);
      auto text = sizes.find(f.name);
      if (text == sizes.end()) text = sizes.find(withoutNumber(f.name));
      if (text == sizes.end()) {
        EXPECT_EQ(f.type, std::string(c.table) == "T00_GENERAL" ? DaoType::Integer : DaoType::Double);
        continue;
      }
      EXPECT_EQ(f.type, DaoType::Text);
      EXPECT_EQ(f.size, text->second);
      auto set = [&](int32_t length) {
        return svrZIVE::testing::errorNumberOf([&] {
          db->execute("UPDATE " + std::string(c.table) + " SET " + f.name + " = '" + std::string(length, 'x') + "'");
        });
      };
      EXPECT_EQ(set(text->second), 0);
      EXPECT_EQ(set(text->second + 1), 3163);
    }
  }
  db->close();
}

}  // namespace
}  // namespace svrZIVE::upgrade::testing
