// zive demo [DIR]: the road of one return, walked through the public classes
// as the user interface walks it, with every step told on standard output.
//
// DIR (./zive-data by default) holds the modifiable database ZIVEMOD.MDB;
// when it is missing, it is made the way `zive init` makes it (with --server
// URI, on that database server, as `zive init --server` makes it). The demo
// leaves the database as it found it: what it saves, it deletes again, also
// when a step fails. A failing step ends the run with its error's number,
// source and description and exit status 1.
//
// The road is a list of steps; a new part of the road is one more entry in
// demoSteps().
#include <algorithm>
#include <chrono>
#include <cmath>
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
#include "forms/form_service.h"
#include "forms/rate/cZIVETipologia1.h"
#include "forms/rate/cZIVETipologia6.h"
#include "forms/regional/cZIVET17_Tipologia15.h"
#include "forms/regional/cZIVETipologia15.h"
#include "forms/regional/cZIVETipologia16.h"
#include "forms/stock/cZIVETipologia8.h"
#include "forms/stock/cZIVETipologia9.h"
#include "reference/cZIVEDatosGeneral.h"
#include "reference/reference_database.h"
#include "base/automation_error.h"
#include "base/variant.h"
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
// Araba/Álava and Vitoria-Gasteiz: the sample reference data hold that
// province's municipalities.
constexpr uint8_t kProvincia = 1;
constexpr int16_t kMunicipio = 1059;

// What the steps share: the services, the numbers the database gave, and
// what to undo if the road ends early.
struct Road {
  cZIVEDeclarante declarante;
  cZIVEDeclaraciones declaraciones;
  int32_t csde = 0;
  int32_t secdec = 0;
  // The forms: form 560 of the return above, two stock-accounting returns
  // of typology 8 and two of typology 9, a form-581 return, a form-566 return; the bodies' rates of form 582.
  cZIVETipologia1 tipologia1;
  cZIVETipologia8 tipologia8;
  cZIVETipologia9 tipologia9;
  cZIVETipologia15 tipologia15;
  cZIVETipologia16 tipologia16;
  cZIVETipologia6 tipologia6;
  std::vector<int32_t> stockReturns;
  int32_t regionalReturn = 0;
  int32_t epigraphReturn = 0;
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

// A text table, each line indented under its step.
void printIndented(const TextTable& table, std::ostream& out) {
  std::ostringstream shown;
  table.print(shown);
  std::istringstream in(shown.str());
  for (std::string line; std::getline(in, line);) out << "     " << line << '\n';
}

// The given columns of a table-shaped list (columns x rows 1..N) as a text
// table under its step.
void printList(const VariantArray& list, const std::vector<int32_t>& columns, TextTable table, std::ostream& out) {
  for (int32_t row = 1; row <= list.ubound(2); ++row) {
    std::vector<std::string> cells;
    for (int32_t c : columns) cells.push_back(text(list.at({c, row})));
    table.rows.push_back(std::move(cells));
  }
  printIndented(table, out);
}

// A header of the demo's declarant: model, period and typology.
int32_t saveHeader(Road& r, const std::string& model, int16_t period, uint8_t typology,
                   const std::string& establishment = "") {
  VariantArray b = VariantArray::vector(0, 12);
  b[1] = Variant(r.csde);
  b[2] = Variant(kEjercicio);
  b[3] = Variant(kPeriodicidad);
  b[4] = Variant(period);
  b[5] = Variant(model);
  b[6] = Variant(typology);
  b[7] = Variant(0.0);
  for (int32_t i = 8; i <= 12; ++i) b[i] = Variant("");
  b[10] = Variant(establishment);
  if (typology == 15) b[12] = Variant("01");
  Variant buffer(std::move(b));
  return r.declaraciones.GuardarDeclaracion(buffer);
}

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
        b[10] = Variant(kProvincia);
        b[11] = Variant(int32_t{1001});
        b[12] = Variant(kMunicipio);
        b[13] = Variant("VITORIA-GASTEIZ");
        b[14] = Variant(int16_t{945});
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
      {[](Road&, std::ostream& out) {
        cZIVEDatosGeneral general;
        out << "Reference data for the declarant and the period:\n";
        std::string es = general.ObtenerNombreProvincia(kProvincia, 0), eu = general.ObtenerNombreProvincia(kProvincia, 1);
        if (es.empty()) throw unexpected("the reference database has no province " + std::to_string(kProvincia));
        out << "     province " << int(kProvincia) << ": " << es << " (Spanish), " << eu << " (Basque); municipality "
            << kMunicipio << ": " << general.ObtenerNombreMunicipio(kMunicipio, 0) << "; street type CL: "
            << general.ObtenerNombreCalle("CL", 0) << " / " << general.ObtenerNombreCalle("CL", 1) << '\n';
        Variant range;
        general.CargarDatosGenerales(range);
        out << "     returns can be made from period " << text(range.array()[0]) << " to " << text(range.array()[1])
            << '\n';
        Variant rates = general.CargarTipImp(kEjercicio, kPeriodo);
        out << "     general rates in force for " << kEjercicio << "/" << kPeriodo << ": ";
        if (rates.isNull()) {
          out << "none\n";
        } else {
          const VariantArray& t = rates.array();
          for (int32_t i = t.lbound(1); i <= t.ubound(1); ++i) out << (i == t.lbound(1) ? "" : ", ") << text(t[i]);
          out << '\n';
        }
        Variant banks = general.RellenarBancos();
        if (banks.isNull()) throw unexpected("the reference database has no banks");
        out << "     banks:\n";
        TextTable table;
        table.header = {"Code", "Bank"};
        printList(banks.array(), {0, 1}, table, out);
        return std::string();
      }},
      {[](Road& r, std::ostream&) {
        bool duplicate = r.declaraciones.DecDuplicadas(r.csde, kEjercicio, kPeriodo, kPeriodicidad, kModelo);
        if (duplicate) throw unexpected("a new declarant already has this return");
        return "Duplicate test: declarant " + std::to_string(r.csde) + " has no return of model " + kModelo +
               ", year " + std::to_string(kEjercicio) + ", periodicity " + std::to_string(kPeriodicidad) +
               ", period " + std::to_string(kPeriodo) + " yet";
      }},
      {[](Road& r, std::ostream&) {
        r.secdec = saveHeader(r, kModelo, kPeriodo, kTipologia, "DESTILERÍA DE VITORIA");
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
        out << "Returns of declarant " << r.csde << ":\n";
        TextTable table;
        table.header = {"Number", "Declarant", "Year", "Periodicity", "Period", "Model", "Typology", "Amount",
                        "Establishment"};
        table.rightAligned = {true, true, true, true, true, false, true, true, false};
        printList(t, {0, 1, 2, 3, 4, 5, 6, 7, 10}, table, out);
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

// --- The forms ------------------------------------------------------------------

// The final amount the header list shows for `secdec`.
double headerAmount(Road& r, int32_t secdec) {
  Variant list = r.declaraciones.ObtenerDeclaraciones(r.csde);
  const VariantArray& t = list.array();
  for (int32_t row = 1; row <= t.ubound(2); ++row)
    if (t.at({0, row}).toLong() == secdec) return t.at({7, row}).toDouble();
  throw unexpected("the header of return " + std::to_string(secdec) + " is not listed");
}

std::string amount(double value) { return formatDouble(value); }

// Typology-8 buffer: opening stocks, production, consumption exits and
// closing stocks of slots 1 to 3 (elements 1 + 8 f + s - 1 for family f).
Variant stockBuffer(int32_t secdec, const std::vector<double>& opening) {
  VariantArray b = VariantArray::vector(0, 112);
  b[0] = Variant(secdec);
  for (int32_t e = 1; e <= 112; ++e) b[e] = Variant(0.0);
  auto at = [](int family, int slot) { return 1 + 8 * family + (slot - 1); };
  for (int s = 1; s <= 3; ++s) {
    double ini = opening[s - 1], elab = 100.0 * s, consumo = 60.0 * s;
    b[at(0, s)] = Variant(ini);
    b[at(1, s)] = Variant(elab);
    b[at(5, s)] = Variant(consumo);
    b[at(11, s)] = Variant(ini + elab - consumo);
  }
  return Variant(std::move(b));
}

// Line `line` of an epigraph form's buffer (code, base, rate, amount from
// element 4 * line - 3 on): the epigraph of `row` of a rate list (columns 3
// and 4) with `base`. Returns the line's amount.
double fillLine(VariantArray& b, int line, const VariantArray& tipos, int32_t row, double base) {
  double rate = tipos.at({4, row}).toDouble(), cuota = base * rate / 100;
  b[4 * line - 3] = tipos.at({3, row});
  b[4 * line - 2] = Variant(base);
  b[4 * line - 1] = Variant(rate);
  b[4 * line] = Variant(cuota);
  return cuota;
}

std::vector<Step> formSteps() {
  return {
      {[](Road& r, std::ostream&) {
        Variant tipos = r.tipologia1.ObtenerTipo560(r.secdec, kEjercicio, kPeriodo);
        if (tipos.isNull()) throw unexpected("no rates of form 560 are in force for the demo period");
        const VariantArray& t = tipos.array();
        return "Rates of form 560 in force for " + std::to_string(kEjercicio) + "/" + std::to_string(kPeriodo) +
               ": " + text(t[0]) + ", line 1 " + text(t[1]) + ", line 2 " + text(t[2]);
      }},
      {[](Road& r, std::ostream&) {
        Variant tipos = r.tipologia1.ObtenerTipo560(r.secdec, kEjercicio, kPeriodo);
        const VariantArray& t = tipos.array();
        VariantArray b = VariantArray::vector(0, 16);
        for (int32_t i = 0; i <= 16; ++i) b[i] = Variant(0.0);
        b[0] = Variant(r.secdec);
        double base = 12500, rate = t[0].toDouble();
        double cuota = std::round(base * rate) / 100;
        b[1] = Variant(base);
        b[2] = Variant(rate);
        b[3] = Variant(cuota);
        b[10] = Variant(cuota);
        b[11] = Variant(cuota);
        Variant buffer(std::move(b));
        r.tipologia1.GuardarDeclaracion(buffer, Variant(true));
        Variant row = r.tipologia1.CargarDeclaracion(r.secdec);
        if (row.isNull() || row.array()[3].toDouble() != cuota) throw unexpected("the form-560 detail did not load back");
        double impfin = headerAmount(r, r.secdec);
        if (impfin != cuota) throw unexpected("the header's final amount is not the form's");
        return "Saved and loaded form 560 of return " + std::to_string(r.secdec) + ": base " + amount(base) +
               " at " + amount(rate) + " -> " + amount(cuota) + "; the header's final amount is now " +
               amount(impfin);
      }},
      {[](Road& r, std::ostream&) {
        for (int16_t period : {kPeriodo, int16_t(kPeriodo + 1)}) {
          int32_t secdec = saveHeader(r, "570", period, 8);
          r.stockReturns.push_back(secdec);
          r.undo.emplace_back("stock return", [&r, secdec] { r.declaraciones.EliminarDeclaraciones(secdec, 8); });
        }
        int32_t first = r.stockReturns[0];
        Variant before = r.tipologia8.CargarExisFinales(kEjercicio, std::to_string(kPeriodicidad), first, r.csde);
        if (!before.isNull()) throw unexpected("the declarant's first stock return carries something forward");
        Variant buffer = stockBuffer(first, {500, 250, 0});
        r.tipologia8.GuardarDeclaracion(buffer, Variant(true));
        const VariantArray& b = buffer.array();
        return "Typology 8, return " + std::to_string(first) + " (period " + std::to_string(kPeriodo) +
               "): nothing to carry forward; saved with closing stocks " + text(b[89]) + ", " + text(b[90]) + ", " +
               text(b[91]);
      }},
      {[](Road& r, std::ostream&) {
        int32_t second = r.stockReturns[1];
        Variant carried = r.tipologia8.CargarExisFinales(kEjercicio, std::to_string(kPeriodicidad), second, r.csde);
        if (carried.isNull()) throw unexpected("the second stock return finds no previous one");
        const VariantArray& c = carried.array();
        std::vector<double> opening{c.at({0, 1}).toDouble(), c.at({1, 1}).toDouble(), c.at({2, 1}).toDouble()};
        Variant buffer = stockBuffer(second, opening);
        r.tipologia8.GuardarDeclaracion(buffer, Variant(true));
        Variant row = r.tipologia8.CargarDeclaracion(second);
        if (row.isNull() || row.array()[1].toDouble() != opening[0]) throw unexpected("the carried stock did not load back");
        return "Typology 8, return " + std::to_string(second) + " (period " + std::to_string(kPeriodo + 1) +
               "): opening stocks carried from return " + std::to_string(r.stockReturns[0]) + ": " +
               amount(opening[0]) + ", " + amount(opening[1]) + ", " + amount(opening[2]) + "; saved and loaded back";
      }},
      {[](Road& r, std::ostream&) {
        // Typology 9 carries material codes with their closing stocks.
        std::vector<int32_t> numbers;
        for (int16_t period : {kPeriodo, int16_t(kPeriodo + 1)}) {
          int32_t secdec = saveHeader(r, "570", period, 9);
          numbers.push_back(secdec);
          r.undo.emplace_back("stock return", [&r, secdec] { r.declaraciones.EliminarDeclaraciones(secdec, 9); });
        }
        VariantArray b = VariantArray::vector(0, 156);
        b[0] = Variant(numbers[0]);
        for (int32_t e = 1; e <= 156; ++e) b[e] = Variant(0.0);
        b[2] = Variant(int16_t{7});  // the material of materials slot 2
        b[44] = Variant(150.5);      // its closing stock
        Variant buffer(std::move(b));
        r.tipologia9.GuardarDeclaracion(buffer, Variant(true));
        Variant carried = r.tipologia9.CargarExisFinales(kEjercicio, std::to_string(kPeriodicidad), numbers[1], r.csde);
        if (carried.isNull()) throw unexpected("the second typology-9 return finds no previous one");
        const VariantArray& c = carried.array();
        return "Typology 9, return " + std::to_string(numbers[1]) + ": carried from return " +
               std::to_string(numbers[0]) + " material " + text(c.at({2, 1})) + " with closing stock " +
               text(c.at({3, 1}));
      }},
      {[](Road& r, std::ostream& out) {
        int32_t secdec = saveHeader(r, "581", kPeriodo, 15);
        r.regionalReturn = secdec;
        r.undo.emplace_back("form-581 return", [&r, secdec] {
          cZIVET17_Tipologia15 detalle;
          detalle.setSecdec(secdec);
          forms::abrirModificable();
          detalle.BorrarDeclaracion();
          forms::cerrar();
          r.declaraciones.EliminarDeclaraciones(secdec, 15);
        });
        Variant tipos = r.tipologia15.ObtenerTipo581(secdec, kEjercicio, kPeriodo, "01");
        const VariantArray& t = tipos.array();
        out << "Form 581, return " << secdec << ": the rates of administrative body 01 for " << kEjercicio << "/"
            << kPeriodo << " (epigraphs at rate 0 left out):\n";
        TextTable table;
        table.header = {"Epigraph", "Rate", "Name"};
        table.rightAligned = {false, true, false};
        printList(t, {3, 4, 5}, table, out);

        // Two product lines, in buffer lines 2 and 4: the save packs them into lines 1 and 2.
        VariantArray b = VariantArray::vector(0, 94);
        b[0] = Variant(secdec);
        for (int32_t i = 1; i <= 94; ++i) b[i] = Variant(0.0);
        for (int line = 1; line <= 7; ++line) b[4 * line - 3] = Variant(" ");
        for (int d = 1; d <= 21; ++d) b[3 * d + 26] = b[3 * d + 27] = Variant(" ");
        double total = 0;
        int line = 2;
        for (int32_t row = 1; row <= std::min<int32_t>(2, t.ubound(2)); ++row, line += 2)
          total += fillLine(b, line, t, row, 1000.0 * row);
        b[92] = Variant(total);
        b[94] = Variant(total);
        Variant buffer(std::move(b));
        r.tipologia15.GuardarDeclaracion(buffer, Variant(true));
        Variant row = r.tipologia15.CargarDeclaracion(secdec);
        if (row.isNull()) throw unexpected("the form-581 detail did not load back");
        const VariantArray& a = row.array();
        double impfin = headerAmount(r, secdec);
        if (impfin != total) throw unexpected("the header's final amount is not the form's");
        out << "     Saved with lines 2 and 4 filled; loaded back as line 1 " << text(a[1]) << " and line 2 "
            << text(a[5]) << "; the header's final amount is " << amount(impfin) << '\n';
        return std::string();
      }},
      {[](Road& r, std::ostream& out) {
        // Form 582 lists every body with its rate for one product; the list
        // is (row, column), its last row empty.
        const std::string epigraph = "1.3";
        Variant lista = r.tipologia16.cargarListaAdmCom(kEjercicio, kPeriodo, epigraph, "C");
        const VariantArray& l = lista.array();
        out << "Form 582: the administrative bodies and their rates for epigraph " << epigraph << " in " << kEjercicio
            << "/" << kPeriodo << ":\n";
        TextTable table;
        table.header = {"Body", "Rate"};
        table.rightAligned = {false, true};
        for (int32_t row = 0; row <= l.ubound(1); ++row)
          if (!l.at({row, 0}).isEmpty()) table.rows.push_back({text(l.at({row, 0})), text(l.at({row, 1}))});
        printIndented(table, out);
        return std::string();
      }},
      {[](Road& r, std::ostream&) {
        int32_t secdec = saveHeader(r, "566", kPeriodo, 6);
        r.epigraphReturn = secdec;
        r.undo.emplace_back("form-566 return", [&r, secdec] { r.declaraciones.EliminarDeclaraciones(secdec, 6); });
        const VariantArray t = r.tipologia6.ObtenerTipo566(secdec, kEjercicio, kPeriodo).array();
        // The first two epigraphs in lines 3 and 5 of six: the save packs them into lines 1 and 2.
        VariantArray b = VariantArray::vector(0, 27);
        for (int32_t i = 1; i <= 27; ++i) b[i] = i % 4 == 1 && i < 25 ? Variant(" ") : Variant(0.0);
        b[0] = Variant(secdec);
        double total = 0;
        for (int32_t row = 1, line = 3; row <= 2; ++row, line += 2) total += fillLine(b, line, t, row, 200.0 * row);
        b[25] = b[27] = Variant(total);
        Variant buffer(std::move(b));
        r.tipologia6.GuardarDeclaracion(buffer, Variant(true));
        Variant row = r.tipologia6.CargarDeclaracion(secdec);
        if (row.isNull() || text(row.array()[5]) != text(t.at({3, 2})) || text(row.array()[9]) != " ")
          throw unexpected("the form-566 lines did not load back packed");
        return "Form 566, return " + std::to_string(secdec) + ": epigraphs " + text(t.at({3, 1})) + " and " +
               text(t.at({3, 2})) + " of the rates in force saved in lines 3 and 5, loaded back as lines 1 and 2; "
               "the header's final amount is " + amount(headerAmount(r, secdec));
      }},
      {[](Road& r, std::ostream&) {
        // The deletion of returns leaves form 581's detail: remove it first.
        for (int n = 0; n < 6; ++n) {
          auto [what, undo] = std::move(r.undo.back());
          r.undo.pop_back();
          undo();
        }
        if (r.declaraciones.NumeroDeclaraciones(r.csde) != 1) throw unexpected("the forms' returns are still stored");
        return "Deleted the form-566 return " + std::to_string(r.epigraphReturn) + ", the form-581 return " +
               std::to_string(r.regionalReturn) + " (and its detail) and the stock returns of typologies 8 and 9";
      }},
  };
}

int usage() {
  std::cerr << "usage: zive demo [DIR] [--server URI]\n";
  return 2;
}

}  // namespace

int runDemo(const Arguments& args) {
  std::string folder, server;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--server" && i + 1 < args.size() && server.empty()) server = args[++i];
    else if (args[i].rfind("--", 0) == 0 || !folder.empty()) return usage();
    else folder = args[i];
  }
  auto started = std::chrono::steady_clock::now();
  if (folder.empty()) folder = kDefaultFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  std::string modifiable = folder + "ZIVEMOD.MDB";
  std::error_code ec;
  if (!std::filesystem::exists(modifiable, ec)) {
    std::string dir = folder.substr(0, folder.size() - 1);
    Arguments init = {dir};
    if (!server.empty()) init.insert(init.end(), {"--server", server});
    if (int status = runInit(init); status != 0) return status;
    std::cout << '\n';
  }
  std::string reference = folder + "ZIVELEC.MDB";

  // The rates come from the reference database: a folder without one gets the sample.
  if (!std::filesystem::exists(reference, ec)) {
    try {
      createReferenceDatabase(reference, referenceSeed().tables);
    } catch (const AutomationError& e) {
      std::cerr << "zive demo: cannot create " << reference << ": " << e.description() << '\n';
      return 1;
    }
  }

  Road road;
  road.declarante.mdbmod(modifiable);
  road.declarante.mdblec(reference);
  std::cout << "The road of one return, on " << modifiable << "\n\n";

  std::vector<Step> steps = demoSteps();
  // The forms come before the return and the declarant are deleted.
  std::vector<Step> forms = formSteps();
  steps.insert(steps.end() - 2, forms.begin(), forms.end());
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
