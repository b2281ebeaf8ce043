// A client of the installed library: saves a declarant in the modifiable
// database given as the argument, loads it back and deletes it.
#include <iostream>

#include "declarations/cZIVEDeclarante.h"
#include "base/automation_error.h"
#include "base/variant.h"

int main(int argc, char** argv) {
  using namespace svrZIVE;
  if (argc != 2) {
    std::cerr << "usage: client ZIVEMOD.MDB\n";
    return 2;
  }
  try {
    cZIVEDeclarante declarante;
    declarante.mdbmod(argv[1]);
    VariantArray b = VariantArray::vector(0, 15);
    const char* texts[] = {"", "B12345678", "CLIENTE, S.A.", "CL", "MAYOR", "", "", "", "", "", "", "", "", "BILBAO", "", ""};
    for (int32_t i = 1; i <= 15; ++i) b[i] = Variant(std::string(texts[i]));
    b[5] = Variant(int32_t(1));
    b[10] = Variant(uint8_t(48));
    b[11] = Variant(int32_t(48001));
    b[12] = Variant(int16_t(20));
    b[14] = Variant(int16_t(944));
    b[15] = Variant(int32_t(123456));
    Variant buffer(std::move(b));
    int32_t number = declarante.GuardarDeclarante(buffer);
    Variant loaded;
    declarante.CargarDeclarante(number, loaded);
    std::string name = loaded.array()[2].toText();
    declarante.EliminarDeclarante(number);
    std::cout << "declarant " << number << ": " << name << '\n';
    return name == "CLIENTE, S.A." && declarante.NumeroDeclarantes() == 0 ? 0 : 1;
  } catch (const AutomationError& e) {
    std::cerr << "error " << e.number() << ": " << e.description() << '\n';
    return 1;
  }
}
