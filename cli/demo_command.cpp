// zive demo [DIR]: the road of one return, walked through the public classes
// as the user interface walks it, with every step told on standard output.
//
// DIR (./zive-data by default) holds the modifiable database ZIVEMOD.MDB;
// when it is missing, it is made the way `zive init` makes it. The demo
// leaves the database as it found it: what it saves, it deletes again, also
// when a step fails. A failing step ends the run with its error's number,
// source and description and exit status 1.
//
// The road is a list of steps; a new part of the road is one more entry in
// demoSteps().
#include <chrono>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/commands.h"
#include "cli/table_printer.h"
#include "declarations/cZIVEDeclaraciones.h"
#include "declarations/cZIVEDeclarante.h"
#include "frame/automation_error.h"
#include "frame/variant.h"
#include "frame/zive_general.h"

namespace svrZIVE::cli {
namespace {

constexpr const char* kDefaultFolder = "./zive-data";

// The return the demo makes.
constexpr const char* kNif = "B12345678";
constexpr const char* kNombre = "DESTILERÍAS DEMO, S.A.";
constexpr const char* kModelo = "560";
constexpr int32_t kEjercicio = 2016;
constexpr uint8_t kPeriodicidad = 1;
constexpr int16_t kPeriodo = 3;
constexpr uint8_t kTipologia = 1;

// What the steps share: the services, the numbers the database gave, and
// what to undo if the road ends early.
struct Road {
  cZIVEDeclarante declarante;
  cZIVEDeclaraciones declaraciones;
  int32_t csde = 0;
  int32_t secdec = 0;
  // Undo actions of what is stored now, latest last.
  std::vector<std::pair<std::string, std::function<void()>>> undo;
};

// A step whose result is not what the road needs.
AutomationError unexpected(const std::string& what) { return AutomationError(5, "zive demo", what); }

std::string text(const Variant& v) { return v.isNull() ? "Null" : v.isEmpty() ? "" : v.toText(); }

struct Step {
  // Runs the step and returns its line for the reader (its number is put
  // in front); may print more below it through `out`.
  std::function<std::string(Road&, std::ostream& out)> run;
};

std::vector<Step> demoSteps() {
  return {
      {[](Road& r, std::ostream&) {
        VariantArray b = VariantArray::vector(0, 15);
        b[1] = Variant(kNif);
        b[2] = Variant(kNombre);
        b[3] = Variant("CL");
        b[4] = Variant("MAYOR");
        b[5] = Variant(int32_t{12});
        for (int32_t i : {6, 7, 8, 9}) b[i] = Variant("");
        b[10] = Variant(uint8_t{20});
        b[11] = Variant(int32_t{20001});
        b[12] = Variant(int16_t{69});
        b[13] = Variant("DONOSTIA-SAN SEBASTIÁN");
        b[14] = Variant(int16_t{943});
        b[15] = Variant(int32_t{123456});
        Variant buffer(std::move(b));
        r.csde = r.declarante.GuardarDeclarante(buffer);
        int32_t csde = r.csde;
        r.undo.emplace_back("declarant", [&r, csde] { r.declarante.EliminarDeclarante(csde); });
        return "Saved declarant " + std::string(kNif) + " '" + kNombre + "' -> number " + std::to_string(csde);
      }},
      {[](Road& r, std::ostream&) {
        int32_t found = r.declarante.NifRepetido(kNif);
        if (found == 0) throw unexpected("the tax number just saved is not found");
        return "Tax number " + std::string(kNif) + " is already stored, first as declarant " +
               std::to_string(found) + (found == r.csde ? " (the one just saved)" : " (an earlier one)");
      }},
      {[](Road& r, std::ostream&) {
        Variant buffer;
        r.declarante.CargarDeclarante(r.csde, buffer);
        const VariantArray& b = buffer.array();
        if (b[1].toText() != kNif) throw unexpected("the loaded declarant has another tax number");
        return "Loaded declarant " + std::to_string(r.csde) + ": " + b[2].toText() + ", " + b[3].toText() + " " +
               b[4].toText() + " " + b[5].toText() + ", " + b[11].toText() + " " + b[13].toText() +
               " (province " + b[10].toText() + "), telephone " + b[14].toText() + " " + b[15].toText();
      }},
      {[](Road& r, std::ostream&) {
        bool duplicate = r.declaraciones.DecDuplicadas(r.csde, kEjercicio, kPeriodo, kPeriodicidad, kModelo);
        if (duplicate) throw unexpected("a new declarant already has this return");
        return "Duplicate test: declarant " + std::to_string(r.csde) + " has no return of model " + kModelo +
               ", year " + std::to_string(kEjercicio) + ", periodicity " + std::to_string(kPeriodicidad) +
               ", period " + std::to_string(kPeriodo) + " yet";
      }},
      {[](Road& r, std::ostream&) {
        VariantArray b = VariantArray::vector(0, 12);
        b[1] = Variant(r.csde);
        b[2] = Variant(kEjercicio);
        b[3] = Variant(kPeriodicidad);
        b[4] = Variant(kPeriodo);
        b[5] = Variant(kModelo);
        b[6] = Variant(kTipologia);
        b[7] = Variant(0.0);
        for (int32_t i = 8; i <= 12; ++i) b[i] = Variant("");
        b[10] = Variant("DESTILERÍA DE DONOSTIA");
        Variant buffer(std::move(b));
        r.secdec = r.declaraciones.GuardarDeclaracion(buffer);
        int32_t secdec = r.secdec;
        r.undo.emplace_back("return", [&r, secdec] { r.declaraciones.EliminarDeclaraciones(secdec, kTipologia); });
        return "Saved return header: model " + std::string(kModelo) + ", year " + std::to_string(kEjercicio) +
               ", periodicity " + std::to_string(kPeriodicidad) + ", period " + std::to_string(kPeriodo) +
               ", typology " + std::to_string(kTipologia) + " -> number " + std::to_string(secdec);
      }},
      {[](Road& r, std::ostream&) {
        if (!r.declaraciones.DecDuplicadas(r.csde, kEjercicio, kPeriodo, kPeriodicidad, kModelo))
          throw unexpected("the return just saved is not found by the duplicate test");
        return std::string("Duplicate test again: the same return now counts as a duplicate");
      }},
      {[](Road& r, std::ostream& out) {
        Variant list = r.declaraciones.ObtenerDeclaraciones(r.csde);
        if (list.isNull()) throw unexpected("the declarant's return list is empty");
        const VariantArray& t = list.array();
        TextTable table;
        table.header = {"Number", "Declarant", "Year", "Periodicity", "Period", "Model", "Typology", "Amount",
                        "Establishment"};
        table.rightAligned = {true, true, true, true, true, false, true, true, false};
        for (int32_t row = 1; row <= t.ubound(2); ++row) {
          table.rows.push_back({text(t.at({0, row})), text(t.at({1, row})), text(t.at({2, row})),
                                text(t.at({3, row})), text(t.at({4, row})), text(t.at({5, row})),
                                text(t.at({6, row})), text(t.at({7, row})), text(t.at({10, row}))});
        }
        std::ostringstream shown;
        table.print(shown);
        std::string lines = shown.str();
        out << "Returns of declarant " << r.csde << ":\n";
        std::istringstream in(lines);
        for (std::string line; std::getline(in, line);) out << "     " << line << '\n';
        return std::string();
      }},
      {[](Road& r, std::ostream&) {
        int32_t n = r.declaraciones.NumeroDeclaraciones(r.csde);
        bool tiene = r.declaraciones.TieneDeclaraciones(r.csde);
        if (n != 1 || !tiene) throw unexpected("the declarant should have exactly one return");
        return "Declarant " + std::to_string(r.csde) + " has " + std::to_string(n) + " return" +
               (n == 1 ? "" : "s");
      }},
      {[](Road& r, std::ostream&) {
        Variant h = r.declaraciones.ObtenerDeclaracion(r.secdec);
        if (h.isNull()) throw unexpected("the return's heading is not found");
        const VariantArray& a = h.array();
        return "Loaded return " + std::to_string(r.secdec) + ": model " + text(a[0]) + ", year " + text(a[1]) +
               ", periodicity " + text(a[2]) + ", period '" + text(a[3]) + "', establishment '" + text(a[6]) +
               "'";
      }},
      {[](Road& r, std::ostream&) {
        r.declaraciones.EliminarDeclaraciones(r.secdec, kTipologia);
        r.undo.pop_back();
        if (r.declaraciones.NumeroDeclaraciones(r.csde) != 0) throw unexpected("the return is still stored");
        return "Deleted return " + std::to_string(r.secdec) + " (typology " + std::to_string(kTipologia) + ")";
      }},
      {[](Road& r, std::ostream&) {
        r.declarante.EliminarDeclarante(r.csde);
        r.undo.pop_back();
        Variant buffer;
        r.declarante.CargarDeclarante(r.csde, buffer);
        if (!buffer.array()[1].toText().empty()) throw unexpected("the declarant is still stored");
        return "Deleted declarant " + std::to_string(r.csde) + "; " +
               std::to_string(r.declarante.NumeroDeclarantes()) + " declarant(s) remain in the database";
      }},
  };
}

int usage() {
  std::cerr << "usage: zive demo [DIR]\n";
  return 2;
}

}  // namespace

int runDemo(const Arguments& args) {
  if (args.size() > 1 || (!args.empty() && args[0].rfind("--", 0) == 0)) return usage();
  auto started = std::chrono::steady_clock::now();
  std::string folder = args.empty() ? kDefaultFolder : args[0];
  if (!folder.empty() && folder.back() != '/') folder += '/';
  std::string modifiable = folder + "ZIVEMOD.MDB";
  std::error_code ec;
  if (!std::filesystem::exists(modifiable, ec)) {
    std::string dir = folder.substr(0, folder.size() - 1);
    if (int status = runInit({dir}); status != 0) return status;
    std::cout << '\n';
  }
  std::string reference = folder + "ZIVELEC.MDB";

  Road road;
  road.declarante.mdbmod(modifiable);
  if (std::filesystem::exists(reference, ec)) road.declarante.mdblec(reference);
  std::cout << "The road of one return, on " << modifiable << "\n\n";

  std::vector<Step> steps = demoSteps();
  for (std::size_t i = 0; i < steps.size(); ++i) {
    std::string number = std::to_string(i + 1) + ". ";
    try {
      std::ostringstream more;
      std::string line = steps[i].run(road, more);
      if (!line.empty()) std::cout << number << line << '\n';
      std::string extra = more.str();
      if (!extra.empty()) std::cout << (line.empty() ? number : std::string(number.size(), ' ')) << extra;
    } catch (const AutomationError& e) {
      std::cout.flush();
      std::cerr << number << "failed: error " << e.number() << " (" << e.source() << "): " << e.description()
                << '\n';
      // Leave the database as it was found.
      while (!road.undo.empty()) {
        auto [what, undo] = std::move(road.undo.back());
        road.undo.pop_back();
        try {
          undo();
        } catch (const AutomationError& u) {
          std::cerr << "   could not delete the demo's " << what << ": error " << u.number() << " ("
                    << u.source() << "): " << u.description() << '\n';
        }
      }
      ZIVEGeneral::endThreadState();
      return 1;
    }
  }
  ZIVEGeneral::endThreadState();
  auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  std::cout << "\nDone: " << steps.size() << " steps in " << std::fixed << std::setprecision(1) << ms
            << " ms; the database is as it was.\n";
  return 0;
}

}  // namespace svrZIVE::cli
