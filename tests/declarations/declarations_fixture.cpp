#include "tests/declarations/declarations_fixture.h"

#include <gtest/gtest.h>

namespace svrZIVE::testing {

Variant declarantBuffer(const std::string& nif, const std::string& name) {
  VariantArray b = VariantArray::vector(0, 15);
  const Variant values[] = {Variant(nif),          Variant(name),           Variant("CL"),          Variant("MAYOR"),
                            Variant(int32_t{7}),   Variant("B"),            Variant("2"),           Variant("3"),
                            Variant("IZ"),         Variant(int16_t{20}),    Variant(int32_t{20001}), Variant(int16_t{69}),
                            Variant("DONOSTIA"),   Variant(int16_t{943}),   Variant(int32_t{600123})};
  for (int32_t i = 1; i <= 15; ++i) b[i] = values[i - 1];
  return Variant(std::move(b));
}

Variant declarationBuffer(int32_t csde, int32_t year, int32_t periodicity, int32_t period,
                          const std::string& model, int32_t typology) {
  VariantArray b = VariantArray::vector(0, 12);
  const Variant values[] = {Variant(csde),  Variant(year),     Variant(periodicity), Variant(period),
                            Variant(model), Variant(typology), Variant(0.0)};
  for (int32_t i = 1; i <= 12; ++i) b[i] = i <= 7 ? values[i - 1] : Variant("");
  return Variant(std::move(b));
}

void expectAnnotated(const Raised& plain, const std::vector<Annotated>& cases) {
  ASSERT_NE(plain.number, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Raised raised = raisedBy(c.work);
    EXPECT_EQ(raised.number, plain.number);
    EXPECT_EQ(raised.source, plain.source);
    ASSERT_EQ(raised.description.rfind(c.text, 0), 0u) << raised.description;
    EXPECT_EQ(raised.description.find("cZIVE", c.text.size()), std::string::npos) << raised.description;
  }
}

}  // namespace svrZIVE::testing
