// Form 581: cZIVETipologia15 and cZIVET17_Tipologia15, the packing of filled
// lines and the rates of an administrative body.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "forms/form_layout.h"
#include "forms/regional/body_rates.h"
#include "forms/regional/cZIVETipologia15.h"
#include "frame/class_registry.h"
#include "frame/zive_general.h"
#include "tests/forms/forms_fixture.h"

namespace svrZIVE::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

constexpr int32_t kSecdec = 12;

// Buffer positions.
int product(int line, int member) { return 4 * line - 3 + member; }     // member 0 code, 1 base, 2 rate, 3 amount
int deduction(int line, int member) { return 3 * line + 26 + member; }  // member 0 code, 1 concept, 2 amount

class Tipologia15Test : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    insertHeader(mod_, kSecdec, 1, 2016, "1", 3, 15, "581");
  }
  // Every line filled: product i ("P<i>", 10i, i/10, i), deduction j ("D<j>",
  // concept letter, 0.5 j); totals 1000, 200, 800.
  static VariantArray fullBuffer() {
    VariantArray b = VariantArray::vector(0, 94);
    b[0] = Variant(kSecdec);
    for (int i = 1; i <= 7; ++i) {
      b[product(i, 0)] = Variant("P" + std::to_string(i));
      b[product(i, 1)] = Variant(10.0 * i);
      b[product(i, 2)] = Variant(i / 10.0);
      b[product(i, 3)] = Variant(1.0 * i);
    }
    for (int j = 1; j <= 21; ++j) {
      b[deduction(j, 0)] = Variant("D" + std::to_string(j));
      b[deduction(j, 1)] = Variant(std::string(1, char('A' + j - 1)));
      b[deduction(j, 2)] = Variant(0.5 * j);
    }
    b[92] = Variant(1000.0);
    b[93] = Variant(200.0);
    b[94] = Variant(800.0);
    return b;
  }
  // Only product lines 2 and 5 and deductions 1 and 21 filled; line 1 has a
  // code and an amount but base 0, deduction 3 a code and a concept but amount 0.
  static VariantArray sparseBuffer() {
    VariantArray b = fullBuffer();
    for (int i = 1; i <= 7; ++i) b[product(i, 1)] = Variant(0.0);
    b[product(2, 1)] = Variant(100.0);
    b[product(5, 1)] = Variant(200.0);
    for (int j = 1; j <= 21; ++j) b[deduction(j, 2)] = Variant(0.0);
    b[deduction(1, 2)] = Variant(4.0);
    b[deduction(21, 2)] = Variant(2.0);
    return b;
  }
  Variant save(VariantArray b, Variant flag = Variant(true)) {
    Variant buffer(std::move(b));
    return service_.GuardarDeclaracion(buffer, flag);
  }
  int storedRows() { return count(mod_, "T17_Tipologia15"); }
  cZIVETipologia15 service_;
};

TEST_F(Tipologia15Test, AFullReturnRoundTripsColumnByColumn) {
  const auto& layout = forms::layoutTipologia15();
  std::vector<std::string> names;
  for (const auto& c : layout.columns) names.push_back(c.name);
  EXPECT_EQ(names, fieldNames(mod_, "T17_Tipologia15"));
  ASSERT_EQ(names.size(), 95u);

  VariantArray b = fullBuffer();
  save(b);
  Variant row = service_.CargarDeclaracion(kSecdec);
  ASSERT_TRUE(row.isArray());
  const VariantArray& a = row.array();
  ASSERT_EQ(a.ubound(), 95);
  EXPECT_EQ(a[0].toLong(), kSecdec);
  for (int32_t e = 1; e <= 94; ++e) {
    if (b[e].isString())
      EXPECT_EQ(a[e].toText(), b[e].asString()) << names[e];
    else
      EXPECT_DOUBLE_EQ(a[e].toDouble(), b[e].asDouble()) << names[e];
  }
  EXPECT_DOUBLE_EQ(headerAmount(mod_, kSecdec), 800.0);
  EXPECT_TRUE(service_.CargarDeclaracion(kSecdec + 1).isNull());
}

TEST_F(Tipologia15Test, FilledLinesArePackedToTheFront) {
  save(sparseBuffer());
  const VariantArray a = service_.CargarDeclaracion(kSecdec).array();
  auto line = [&](int i) {
    return std::vector<std::string>{a[product(i, 0)].toText(), a[product(i, 1)].toText(), a[product(i, 2)].toText(),
                                    a[product(i, 3)].toText()};
  };
  EXPECT_THAT(line(1), ElementsAre("P2", "100", "0.2", "2"));
  EXPECT_THAT(line(2), ElementsAre("P5", "200", "0.5", "5"));
  for (int i = 3; i <= 7; ++i) EXPECT_THAT(line(i), ElementsAre(" ", "0", "0", "0")) << "line " << i;
  auto ded = [&](int j) {
    return std::vector<std::string>{a[deduction(j, 0)].toText(), a[deduction(j, 1)].toText(),
                                    a[deduction(j, 2)].toText()};
  };
  EXPECT_THAT(ded(1), ElementsAre("D1", "A", "4"));
  EXPECT_THAT(ded(2), ElementsAre("D21", "U", "2"));
  for (int j = 3; j <= 21; ++j) EXPECT_THAT(ded(j), ElementsAre(" ", " ", "0")) << "deduction " << j;
  EXPECT_THAT((std::vector<double>{a[92].toDouble(), a[93].toDouble(), a[94].toDouble()}), ElementsAre(1000, 200, 800));
}

TEST_F(Tipologia15Test, AnUpdatePacksTooANegativeBaseIsFilledNumbersInCodesAreText) {
  save(fullBuffer());
  VariantArray b = sparseBuffer();
  b[94] = Variant(-12.5);
  b[product(7, 1)] = Variant(-1.0);
  b[product(2, 0)] = Variant(int32_t{12});
  save(b, Variant(int32_t{1}));  // any flag but True updates
  EXPECT_EQ(storedRows(), 1);
  auto r = rows(mod_, "SELECT T17_CODEPI1, T17_CODEPI2, T17_CODEPI3, T17_BASIMP3, T17_CODEPI4, T17_DEDEPI2, "
                      "T17_DEDCON3 FROM T17_Tipologia15");
  EXPECT_THAT(r[0], ElementsAre("12", "P5", "P7", "-1", " ", "D21", " "));
  EXPECT_DOUBLE_EQ(headerAmount(mod_, kSecdec), -12.5);
}

TEST_F(Tipologia15Test, BadBuffersFailBeforeAnyDatabaseIsOpened) {
  ZIVEGeneral::setModifiablePath((dir_.path() / "missing" / "ZIVEMOD.MDB").string());
  auto with = [](int e, Variant v) {
    VariantArray b = fullBuffer();
    b[e] = std::move(v);
    return Variant(std::move(b));
  };
  std::vector<std::pair<Variant, int32_t>> cases = {{with(product(3, 0), Variant::null()), 94},
                                                    {with(deduction(2, 2), Variant("cuatro")), 13}};
  StatementLog log;
  for (auto& [buffer, error] : cases) {
    Raised r = raisedBy([&] { service_.GuardarDeclaracion(buffer, Variant(true)); });
    EXPECT_EQ(r.number, error);
    EXPECT_THAT(r.description, StartsWith("cZIVETipologia15_Nueva.GuardarDeclaracion"));
  }
  EXPECT_TRUE(log.statements().empty());
}

TEST_F(Tipologia15Test, StatementsAsWritten) {
  VariantArray b = sparseBuffer();
  b[product(2, 2)] = Variant(0.1 + 0.2);
  b[product(5, 1)] = Variant(1234.5);
  StatementLog log;
  save(b);
  save(b, Variant(false));

  std::string insert = "insert into T17_Tipologia15 (T17_SECDEC ";
  std::string update = "Update T17_Tipologia15 set  T17_CODEPI1 = 'P2', T17_BASIMP1 = 100, T17_TIPO1 = 0.3, "
                       "T17_CUOTA1 = 2, T17_CODEPI2 = 'P5', T17_BASIMP2 = 1234.5, T17_TIPO2 = 0.5, T17_CUOTA2 = 5,";
  for (int i = 1; i <= 7; ++i) {
    std::string n = std::to_string(i);
    insert += ",T17_CODEPI" + n + ", T17_BASIMP" + n + ", T17_TIPO" + n + ", T17_CUOTA" + n;
    if (i >= 3) update += " T17_CODEPI" + n + " = ' ', T17_BASIMP" + n + " = 0, T17_TIPO" + n + " = 0, T17_CUOTA" + n + " = 0,";
  }
  update += " T17_DEDEPI1 = 'D1', T17_DEDCON1 = 'A', T17_DEDCUO1 = 4, T17_DEDEPI2 = 'D21', T17_DEDCON2 = 'U', "
            "T17_DEDCUO2 = 2,";
  for (int j = 1; j <= 21; ++j) {
    std::string n = std::to_string(j);
    insert += ",T17_DEDEPI" + n + ", T17_DEDCON" + n + ", T17_DEDCUO" + n;
    if (j >= 3) update += " T17_DEDEPI" + n + " = ' ', T17_DEDCON" + n + " = ' ', T17_DEDCUO" + n + " = 0,";
  }
  insert += ",T17_CUOTAINTEGRA,T17_DEDUCCUOTA,T17_CUOTA) values (12,'P2',100,0.3,2,'P5',1234.5,0.5,5";
  for (int i = 3; i <= 7; ++i) insert += ",' ',0,0,0";
  insert += ",'D1','A',4,'D21','U',2";
  for (int j = 3; j <= 21; ++j) insert += ",' ',' ',0";
  insert += ",1000,200,800)";
  update.pop_back();
  update += ", T17_CUOTAINTEGRA = 1000, T17_DEDUCCUOTA = 200, T17_CUOTA = 800 WHERE T17_SECDEC = 12";
  EXPECT_THAT(log.startingWith("insert into T17"), ElementsAre(insert));
  EXPECT_THAT(log.startingWith("Update T17"), ElementsAre(update));
  EXPECT_THAT(log.startingWith("Update T02"),
              ElementsAre("Update T02_Declaraciones set T02_IMPFIN = 800 where T02_SECDEC =12",
                          "Update T02_Declaraciones set T02_IMPFIN = 800 where T02_SECDEC =12"));
}

TEST_F(Tipologia15Test, AnApostropheInACodeWritesNothing) {
  VariantArray b = sparseBuffer();
  b[product(2, 0)] = Variant("P'2");
  Raised r = raisedBy([&] { save(b); });
  EXPECT_EQ(r.number, 3075);
  EXPECT_THAT(r.description,
              StartsWith("cZIVETipologia15_Nueva.GuardarDeclaracioncZIVET17_Tipologia15.InsertarDeclaracion"));
  EXPECT_EQ(storedRows(), 0);
}

// --- Rates by body ---------------------------------------------------------------

TEST(BodyColumns, CodesToColumns) {
  // The codes out of sequence; the others follow the rate columns (seed tests).
  std::vector<std::pair<int16_t, std::string>> expected = {
      {1, "T07_TIPO02"}, {16, "T07_TIPO15"}, {20, "T07_TIPO17"}, {21, "T07_TIPO01"}, {22, "T07_TIPO18"}};
  for (auto& [code, column] : expected) EXPECT_EQ(forms::rateColumnOf(code), column) << code;
  for (int16_t code : {0, 5, 15, 18, 19, 23}) EXPECT_EQ(forms::rateColumnOf(code), "") << code;
}

// Epigraph -> rate of a result, sorted by epigraph.
std::vector<std::pair<std::string, double>> epigraphs(const Variant& table) {
  std::vector<std::pair<std::string, double>> out;
  const VariantArray& a = table.array();
  for (int32_t r = 1; r <= a.ubound(2); ++r) out.emplace_back(a.at({3, r}).toText(), a.at({4, r}).toDouble());
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(Tipologia15Test, RatesOfABodyInTheSetInForce) {
  using Rates = std::vector<std::pair<std::string, double>>;
  auto six = [](double rate, double rate14) {
    return Rates{{"1.1", rate}, {"1.11", rate}, {"1.2.1", rate}, {"1.2.2", rate}, {"1.3", rate}, {"1.4", rate14}};
  };
  struct Case {
    const char* name;
    int32_t secdec, year;
    int16_t period;
    const char* body;
    int32_t setYear;
    Rates rates;  // empty: only the set's year is checked
  };
  const std::vector<Case> cases = {
      // 2014/03 is in the 2013/01 set; body 1 reads T07_TIPO02, where 1.5 has rate 0 and is left out.
      {"body 01 in the first set", 0, 2014, 3, "01", 2013, six(24, 3)},
      // 2014/07 set: T07_TIPO01 is 9 (1.12 for 1.4, 0 for 1.5).
      {"body 21", 0, 2015, 1, "21", 2014, six(9, 1.12)},
      {"within the first set", 0, 2014, 6, "02", 2013, {}},
      {"within the second set", 0, 2015, 12, "02", 2014, {}},
      {"from the 2016 set, number and code without padding", 77, 2016, 1, "1", 2016, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Variant t = service_.ObtenerTipo581(c.secdec, c.year, c.period, c.body);
    ASSERT_TRUE(t.isArray());
    const VariantArray& a = t.array();
    EXPECT_EQ(a.ubound(1), 6);
    EXPECT_EQ(a.at({0, 1}).toText(), "581");
    EXPECT_EQ(a.at({1, 1}).toLong(), c.setYear);
    if (!c.rates.empty()) {
      EXPECT_EQ(epigraphs(t), c.rates);
    }
  }
  // Body 2 (T07_TIPO03) is 20 up to 2016/01.
  EXPECT_DOUBLE_EQ(epigraphs(service_.ObtenerTipo581(0, 2014, 6, "02")).front().second, 20);
  EXPECT_DOUBLE_EQ(epigraphs(service_.ObtenerTipo581(0, 2015, 12, "02")).front().second, 20);
  // T07_TIPO18: no zero rates, and the 2014/07 set's 1.3 listed twice comes back once.
  Rates t22 = epigraphs(service_.ObtenerTipo581(0, 2014, 7, "22"));
  for (auto& [code, rate] : t22) EXPECT_NE(rate, 0) << code;
  EXPECT_EQ(std::count_if(t22.begin(), t22.end(), [](const auto& e) { return e.first == "1.3"; }), 1);

  StatementLog log;
  service_.ObtenerTipo581(0, 2014, 3, "01");
  EXPECT_THAT(log.statements(),
              ElementsAre("Select distinct top 1  T07_EJER, T07_PER  from T07_TIPOS4 where T07_MOD = '581' and "
                          "T07_EJER  &  format(T07_PER,'00')  <= 201403 ORDER BY  T07_EJER desc, T07_PER desc",
                          "Select distinct T07_MOD,T07_EJER, T07_PER,T07_EPIEXT,T07_TIPO02,T07_NOMC,T07_NOME from "
                          "T07_TIPOS4 where T07_MOD = '581'  and T07_EJER  &  T07_PER  = '20131' AND T07_TIPO02<> 0 "
                          "ORDER BY T07_MOD, T07_EJER desc, T07_PER desc"));
}

TEST_F(Tipologia15Test, RateFailuresAreAnnotated) {
  struct Case {
    std::string body;
    int32_t year;
    int16_t period;
    int32_t error;  // 0: any
  };
  std::vector<Case> cases;
  for (const char* body : {"05", "15", "18", "19", "0", "-1", "23"}) cases.push_back({body, 2015, 1, 0});
  cases.push_back({"AB", 2015, 1, 13});
  cases.push_back({"01", 2012, 12, 3021});  // no set old enough: no current record
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body + " " + std::to_string(c.year));
    Raised r = raisedBy([&] { service_.ObtenerTipo581(0, c.year, c.period, c.body); });
    if (c.error) {
      EXPECT_EQ(r.number, c.error);
    } else {
      EXPECT_NE(r.number, 0);
    }
    EXPECT_THAT(r.description, StartsWith("cZIVETipologia15_Nueva.ObtenerTipocZIVET17_Tipologia15.ObtenerTipo"));
  }
}

TEST_F(Tipologia15Test, RepeatedEpigraphsKeepTheFirstRow) {
  std::string create =
      "CREATE TABLE T07_TIPOS4 (T07_MOD TEXT(3), T07_EJER SHORT, T07_PER SHORT, T07_EPIEXT TEXT(6), T07_NOMC "
      "TEXT(100), T07_NOME TEXT(100)";
  for (int c = 1; c <= 18; ++c) create += std::string(", T07_TIPO") + (c < 10 ? "0" : "") + std::to_string(c) + " DOUBLE";
  create += ")";
  auto row = [](const std::string& epi, const std::string& name, double rate) {
    return "INSERT INTO T07_TIPOS4 (T07_MOD, T07_EJER, T07_PER, T07_EPIEXT, T07_NOMC, T07_NOME, T07_TIPO02) "
           "VALUES ('581', 2014, 7, '" + epi + "', '" + name + "', 'e', " + std::to_string(rate) + ")";
  };
  ZIVEGeneral::setReferencePath(databaseWith(dir_, "DUP.MDB", {create, row("2.1", "uno", 5), row("2.1", "dos", 6),
                                                               row("2.2", "tres", 7), row("2.3", "cero", 0)}));
  Variant t = service_.ObtenerTipo581(0, 2015, 1, "01");
  const VariantArray& a = t.array();
  ASSERT_EQ(a.ubound(2), 2);
  EXPECT_EQ(a.at({3, 1}).toText(), "2.1");
  EXPECT_EQ(a.at({5, 1}).toText(), "uno");
  EXPECT_EQ(a.at({3, 2}).toText(), "2.2");
}

TEST_F(Tipologia15Test, LateBinding) {
  auto object = CreateObject("svrZIVE.cZIVETipologia15");
  object->let("mdblec", Variant(sampleReference()));
  Variant t = object->call("ObtenerTipo581",
                           {Variant(int32_t{0}), Variant(int32_t{2014}), Variant(int16_t{3}), Variant("01")});
  EXPECT_EQ(t.array().ubound(2), 6);
}

}  // namespace
}  // namespace svrZIVE::testing
