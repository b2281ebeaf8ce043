// Form 560: cZIVETipologia1 and cZIVET03_Tipologia1 on databases made as
// `zive init` makes them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "forms/rate/cZIVETipologia1.h"
#include "frame/class_registry.h"
#include "frame/zive_general.h"
#include "tests/forms/forms_fixture.h"

namespace svrZIVE::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

constexpr int32_t kSecdec = 7;

class Tipologia1Test : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    insertHeader(mod_, kSecdec, 1, 2016, "1", 3, 1);
  }
  // A buffer whose element i holds i + 0.25 (element 0 the declaration number).
  static Variant buffer(int32_t secdec = kSecdec) {
    VariantArray b = numberedBuffer(17, 0.25);
    b[0] = Variant(secdec);
    return Variant(std::move(b));
  }
  int storedRows() { return count(mod_, "T03_Tipologia1"); }
  cZIVETipologia1 service_;
};

TEST_F(Tipologia1Test, InsertsOnlyWhenTheFlagIsExactlyTrueAndElevenIsTheFinalAmount) {
  const struct { const char* name; Variant flag; bool inserts; } cases[] = {
      {"Boolean True", Variant(true), true},     {"Integer -1", Variant(int16_t{-1}), true},
      {"Boolean False", Variant(false), false},  {"Long 1", Variant(int32_t{1}), false},
      {"Integer 2", Variant(int16_t{2}), false}, {"Empty", Variant(), false},
      {"text True", Variant("True"), false},     {"Null", Variant::null(), false}};
  int32_t secdec = 100;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ++secdec;
    insertHeader(mod_, secdec, 1, 2016, "1", 3, 1);
    // A stored row with other values, so that an update shows.
    Variant first = buffer(secdec);
    first.array()[1] = Variant(100.0);
    service_.GuardarDeclaracion(first, Variant(true));
    EXPECT_DOUBLE_EQ(headerAmount(mod_, secdec), 11.25);

    Variant second = buffer(secdec);
    second.array()[1] = Variant(200.0);
    second.array()[11] = Variant(-55.5);
    service_.GuardarDeclaracion(second, c.flag);
    auto stored = rows(mod_, "SELECT T03_BASEIMP FROM T03_Tipologia1 WHERE T03_SECDEC = " + std::to_string(secdec) +
                                 " ORDER BY T03_BASEIMP");
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(stored, (c.inserts ? Rows{{"100"}, {"200"}} : Rows{{"200"}}));
    EXPECT_DOUBLE_EQ(headerAmount(mod_, secdec), -55.5);
  }
  // Updating a return without detail writes nothing but the amount.
  Variant b = buffer();
  service_.GuardarDeclaracion(b, Variant(false));
  EXPECT_EQ(rows(mod_, "SELECT * FROM T03_Tipologia1 WHERE T03_SECDEC = 7").size(), 0u);
  EXPECT_DOUBLE_EQ(headerAmount(mod_, kSecdec), 11.25);
}

TEST_F(Tipologia1Test, ConversionsOfTheBuffer) {
  VariantArray b = numberedBuffer(17);
  b[0] = Variant(6.5);       // rounds half to even: 6
  b[1] = Variant();          // Empty: 0
  b[2] = Variant(" 12.5 ");  // a text that reads as a number
  b[3] = Variant(true);      // True is -1
  insertHeader(mod_, 6, 1, 2016, "1", 5, 1);
  Variant buffer(std::move(b));
  service_.GuardarDeclaracion(buffer, Variant(true));
  auto r = rows(mod_, "SELECT T03_SECDEC, T03_BASEIMP, T03_TIPO, T03_CUOTA FROM T03_Tipologia1");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_THAT(r[0], ElementsAre("6", "0", "12.5", "-1"));
}

TEST_F(Tipologia1Test, AFailedHeaderUpdateLeavesTheDetailWritten) {
  execute(mod_, "DROP TABLE T02_Declaraciones");
  Variant b = buffer();
  Raised r = raisedBy([&] { service_.GuardarDeclaracion(b, Variant(true)); });
  EXPECT_NE(r.number, 0);
  EXPECT_THAT(r.description, StartsWith("cZIVETipologia1.GuardarDeclaracion"));
  EXPECT_EQ(storedRows(), 1);
}

TEST_F(Tipologia1Test, TheRateSetInForceIsTheLatestNotLater) {
  // The sample sets: 2013/01, 2014/07, 2016/01, 2021/10, 2022/01, 2024/07. No rates: Null.
  const struct { int32_t year; int16_t period; std::vector<double> rates; } cases[] = {
      {2012, 12, {}},      {2013, 1, {4.86433, 0.5, 1}},         {2014, 3, {4.86433, 0.5, 1}},
      {2014, 6, {4.86433, 0.5, 1}}, {2014, 7, {5.11269632, 0.5, 1}}, {2015, 12, {5.11269632, 0.5, 1}},
      {2021, 9, {5.11269632, 0.5, 1.5}}, {2021, 12, {0.5, 0.5, 1}}, {2099, 1, {5.11269632, 1, 2}}};
  for (const auto& c : cases) {
    for (int32_t secdec : {0, kSecdec, -5}) {
      SCOPED_TRACE(std::to_string(c.year) + "/" + std::to_string(c.period) + " number " + std::to_string(secdec));
      Variant tipos = service_.ObtenerTipo560(secdec, c.year, c.period);
      if (c.rates.empty()) {
        EXPECT_TRUE(tipos.isNull());
        continue;
      }
      ASSERT_TRUE(tipos.isArray());
      ASSERT_EQ(tipos.array().ubound(), 3);
      for (int32_t i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(tipos.array()[i].toDouble(), c.rates[i]);
    }
  }
  StatementLog log;
  service_.ObtenerTipo560(0, 2014, 3);
  EXPECT_TRUE(log.contains("Select top 1 T04_TIPO,T04_TIPO1,T04_TIPO2 from T04_TIPOS1 where T04_EJER   &  "
                           "format(T04_PER,'00')  <= 201403 ORDER BY T04_EJER desc, T04_PER desc"));
}

TEST_F(Tipologia1Test, RatesFromOtherReferenceDatabases) {
  // Without T04_TIPOS1: the error, annotated.
  ZIVEGeneral::setReferencePath(databaseWith(dir_, "EMPTY.MDB", {"CREATE TABLE X (A LONG)"}));
  EXPECT_THAT(raisedBy([&] { service_.ObtenerTipo560(0, 2014, 3); }).description,
              StartsWith("cZIVETipologia1.ObtenerTipocZIVET03_Tipologia1.ObtenerTipo"));
  // Two sets of the same period overrun the single record.
  ZIVEGeneral::setReferencePath(databaseWith(
      dir_, "TIES.MDB",
      {"CREATE TABLE T04_TIPOS1 (T04_EJER SHORT, T04_PER SHORT, T04_TIPO DOUBLE, T04_TIPO1 DOUBLE, T04_TIPO2 DOUBLE)",
       "INSERT INTO T04_TIPOS1 VALUES (2014, 7, 1, 2, 3)", "INSERT INTO T04_TIPOS1 VALUES (2014, 7, 4, 5, 6)"}));
  EXPECT_EQ(raisedBy([&] { service_.ObtenerTipo560(0, 2015, 1); }).number, 9);
}

}  // namespace
}  // namespace svrZIVE::testing
