// The steps every form service takes, whatever its form: load a return's
// detail, save it (insert or update, then the header's final amount for the
// forms that have one), each on the thread's shared connection, annotated
// with the service's texts ("<service class>.CargarDeclaracion", ...).
//
// On failure nothing is rolled back and the connection is left open until
// the next initialisation replaces it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "forms/form_record.h"
#include "base/variant.h"

namespace svrZIVE::forms {

// "<service class>.<operation>", the text a service operation annotates with.
std::string serviceText(const FormLayout& layout, std::string_view operation);

// Opens the modifiable / reference database on the shared connection.
void abrirModificable();
void abrirReferencia();
// Closes the database the shared connection has open.
void cerrar();

// CargarDeclaracion of a service: `record` (fresh, of the form's record
// class) gets lngSecDec, the modifiable database is opened, the row loaded,
// the database closed.
Variant cargarDeclaracion(FormRecord& record, int32_t lngSecDec);

// GuardarDeclaracion of a service: the buffer goes into `record` before any
// database is opened; then the row is inserted when blnInsertar is exactly
// True and updated otherwise; then, when the layout has a final amount, the
// header's T02_IMPFIN is set to that element through cZIVET02. Returns Empty.
Variant guardarDeclaracion(FormRecord& record, const Variant& vBuffer, const Variant& blnInsertar);

}  // namespace svrZIVE::forms
